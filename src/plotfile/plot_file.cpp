#include "plotfile/plot_file.h"

namespace plotaktar {

namespace {

// Passes the bytes on and tells how many went through so far.
class ReportingSink : public PlotSink {
  public:
    ReportingSink(PlotSink& inner, const std::function<void(uint64_t)>& written)
        : inner_(inner), written_(written) {}
    void write(std::string_view bytes) override {
        inner_.write(bytes);
        total_ += bytes.size();
        written_(total_);
    }

  private:
    PlotSink& inner_;
    const std::function<void(uint64_t)>& written_;
    uint64_t total_ = 0;
};

}  // namespace

void SavePlotFile(const Workspace& workspace, const std::string& path,
                  const std::function<void(uint64_t)>& written) {
    PlotFileOutput output(path);
    if (written) {
        ReportingSink reporting(output, written);
        WritePlotFile(workspace, reporting);
    } else {
        WritePlotFile(workspace, output);
    }
    output.commit();
}

}  // namespace plotaktar
