#include "drawing/output_writer.h"
#include "model/errors.h"
#include "plotfile/plot_file.h"

namespace plotaktar {

namespace {

class PlotOutput : public OutputWriter {
  public:
    const OutputFormatInfo& format() const override { return OutputFormats()[0]; }
    void write(const LoadedDrawing& drawing, const OutputOptions&,
               const std::string& path) const override {
        if (!drawing.workspace) {
            throw Error("a plot file is written from the tables of an import");
        }
        SavePlotFile(*drawing.workspace, path);
    }
};

}  // namespace

const OutputWriter& PlotFileWriter() {
    static const PlotOutput writer;
    return writer;
}

}  // namespace plotaktar
