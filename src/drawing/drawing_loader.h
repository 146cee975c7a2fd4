#pragma once

#include <memory>
#include <string>

#include "drawing/drawing.h"
#include "import/import_files.h"
#include "model/import_observer.h"
#include "model/workspace.h"
#include "platform/byte_buffer.h"

namespace plotaktar {

// A drawing with what it was read from: the workspace of an import (its tables hold every field
// of a feature's record, pointing into the bytes of the files it read), or the bytes of a plot
// file.
struct LoadedDrawing {
    std::unique_ptr<Workspace> workspace;
    ImportedBytes imported;
    SharedBytes plotBytes;
    Drawing drawing;
};

// True when the path names a plot file (it ends in ".plt", in any case).
bool IsPlotFilePath(const std::string& path);

// A plot file's bytes. Throws Error naming the cause when it cannot be read.
SharedBytes ReadPlotFile(const std::string& path);

// Throws Error ("not a plot file: ...") for a file of lines none of which is a plot file's
// record; an empty file is an empty drawing.
void CheckPlotRecords(uint64_t recordLines, uint64_t skippedLines);

// Reads a plot file, or imports a geometry file with `labels` and its companion (an empty
// `labels` reads none). A failing record goes to `observer`. Throws Error, naming the cause,
// when the plot file, the geometry file or the given label file cannot be read (a companion
// that cannot be read is passed over, as in the window), and when a plot file has lines but none
// of them is a plot file's record ("not a plot file"); an empty plot file is an empty drawing.
LoadedDrawing LoadDrawing(const std::string& geometryOrPlot, const std::string& labels,
                          ImportObserver& observer);

}  // namespace plotaktar
