#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "export/plot_writer.h"

namespace plotaktar {

// The message of the file error for a system error number: "Invalid filename", "File access
// denied", "Too many open files", "Disk full" or "I/O error <n>".
std::string FileErrorMessage(int errorNumber);

// A plot file being written to `path` so that the path only ever holds either its old contents
// or the complete new file. The constructor resolves symbolic links (the file a link points to
// gets the new contents, the link stays) and creates a temporary file beside the target; the
// bytes go there, and commit() flushes, closes and renames it over the target. Destroying an
// output that was not committed removes the temporary and leaves the target untouched.
//
// An existing target must be writable ("File access denied" otherwise) and keeps its mode; a
// new file gets the mode of any newly created file (0666 less the umask). When the target
// exists and is writable but its directory takes no temporary (or, being sticky, would refuse
// the rename), or it is not a regular file (a device, a pipe), the output opens the target
// itself without truncating it, collects the bytes in memory and writes them only at commit():
// a bad cell leaves it untouched, and a failing write puts the old contents back where the
// file can be read.
//
// Every failure throws FileError with FileErrorMessage's text.
class PlotFileOutput : public PlotSink {
  public:
    explicit PlotFileOutput(const std::string& path);
    ~PlotFileOutput() override;
    PlotFileOutput(const PlotFileOutput&) = delete;
    PlotFileOutput& operator=(const PlotFileOutput&) = delete;

    void write(std::string_view bytes) override;
    void commit();

    // The file that receives the contents: the path with its links resolved.
    const std::string& targetPath() const { return target_; }
    // The temporary beside it; empty when the target is written in place.
    const std::string& temporaryPath() const { return temporary_; }

  private:
    void openInPlace();
    bool createTemporary();
    void writeAll(std::string_view bytes);
    void closeFile();
    void writeInPlace();
    void discard();

    std::string target_;
    std::string temporary_;
    std::string pending_;  // the whole file, when written in place
    bool exists_ = false;  // the target existed; its mode and owner follow
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    bool inPlace_ = false;
    bool regular_ = true;
    bool committed_ = false;
    int fd_ = -1;
};

// Writes the workspace's plot file to `path` through PlotFileOutput: the file is created (or
// its temporary is) before any section, and complete and closed when this returns. On any
// error (a bad cell, a file error) the path is left exactly as it was.
// `written`, when given, hears the number of bytes written so far after every chunk.
void SavePlotFile(const Workspace& workspace, const std::string& path,
                  const std::function<void(uint64_t)>& written = {});

}  // namespace plotaktar
