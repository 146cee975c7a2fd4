#pragma once

#include <string>

#include "drawing/drawing_loader.h"
#include "model/output_formats.h"

namespace plotaktar {

// What a writer needs besides the drawing: the coordinate system the drawing is in, for the
// formats that place it on the earth (empty when none was named).
struct OutputOptions {
    std::string coordinateSystem;
};

// One output format's writer: writes a loaded drawing (its features, and the workspace of an
// import where it has one) to a path all or nothing, through the platform's replacing file: the
// path holds its old contents or the complete new file. Failures throw Error (FileError for the
// file's own) with the path as it was.
class OutputWriter {
  public:
    virtual ~OutputWriter() = default;
    virtual const OutputFormatInfo& format() const = 0;
    virtual void write(const LoadedDrawing& drawing, const OutputOptions& options,
                       const std::string& path) const = 0;
};

// The plot file's writer: the workspace of an import written as the save command writes it.
// A drawing read from a plot file has no workspace, and is refused.
const OutputWriter& PlotFileWriter();

}  // namespace plotaktar
