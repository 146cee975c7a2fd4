#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/replacing_file.h"
#include "plotfile/plot_writer.h"

namespace plotaktar {

// A plot file being written to `path` all or nothing (platform::ReplacingFile says how): the
// path holds either its old contents or the complete new file. Every failure throws FileError.
class PlotFileOutput : public PlotSink {
  public:
    explicit PlotFileOutput(const std::string& path) : file_(path) {}

    void write(std::string_view bytes) override { file_.write(bytes); }
    void commit() { file_.commit(); }

    const std::string& targetPath() const { return file_.targetPath(); }
    const std::string& temporaryPath() const { return file_.temporaryPath(); }

  private:
    platform::ReplacingFile file_;
};

// Writes the workspace's plot file to `path` through PlotFileOutput: the file is created (or
// its temporary is) before any section, and complete and closed when this returns. On any
// error (a bad cell, a file error) the path is left exactly as it was.
// `written`, when given, hears the number of bytes written so far after every chunk.
void SavePlotFile(const Workspace& workspace, const std::string& path,
                  const std::function<void(uint64_t)>& written = {});

}  // namespace plotaktar
