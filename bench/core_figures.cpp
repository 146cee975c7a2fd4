#include "core_figures.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "import/import_command.h"
#include "plotfile/save_command.h"

namespace plotaktar::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Fresh pages from the system for every read, as a new process gets them: through malloc,
// a buffer below its mmap threshold (raised up to 32 MiB by earlier frees) would come back
// already mapped, and the floor of a mid-sized drawing would skip the page faults that the
// biggest one pays.
class FreshMemory {
  public:
    explicit FreshMemory(size_t size) : size_(size ? size : 1) {
        void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            throw std::runtime_error(std::string("mmap: ") + std::strerror(errno));
        }
        data_ = static_cast<char*>(p);
    }
    ~FreshMemory() { munmap(data_, size_); }
    FreshMemory(const FreshMemory&) = delete;
    FreshMemory& operator=(const FreshMemory&) = delete;
    char* data() { return data_; }

  private:
    char* data_;
    size_t size_;
};

uint64_t ReadAndCountLines(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    struct stat st {};
    fstat(fd, &st);
    size_t size = static_cast<size_t>(st.st_size);
    FreshMemory bytes(size);
    size_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, bytes.data() + done, size - done);
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    uint64_t lines = 0;
    const char* p = bytes.data();
    const char* end = p + done;
    while (p < end) {
        const char* cr =
            static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
        ++lines;  // a last line without CR counts too
        if (cr == nullptr) {
            break;
        }
        p = cr + 1;
    }
    return lines;
}

}  // namespace

Timing FloorOnce(const Drawing& drawing, uint64_t& lines) {
    Stopwatch watch;
    lines = ReadAndCountLines(drawing.geometry) + ReadAndCountLines(drawing.labels) +
            ReadAndCountLines(drawing.companion);
    return watch.elapsed();
}

Timing ImportOnce(Session& session, const Drawing& drawing, ScriptedUi& ui) {
    ui.answerOpen(drawing.geometry, drawing.labels);
    ui.messages.clear();
    ui.failures.clear();
    Stopwatch watch;
    RunOpenCommand(session, ui);
    return watch.elapsed();
}

Timing ExportOnce(Session& session, const std::string& path, ScriptedUi& ui) {
    ui.answerSave(path);
    ui.messages.clear();
    Stopwatch watch;
    RunSaveCommand(session, ui);
    return watch.elapsed();
}

ProcessRun ConvertOnce(ProcessRunner& runner, const std::string& cli, const Drawing& drawing,
                       const std::string& output, const std::string& log) {
    return runner.run({cli, "convert", drawing.geometry, drawing.labels, "-o", output}, log);
}

uint64_t TablesMemory(const Session& session) {
    uint64_t bytes = 0;
    for (int g = 1; g <= kTableCount; ++g) {
        bytes += session.workspace.grid(g).ownMemory();
    }
    return bytes;
}

int BiggestGrid(const Session& session, int& rows) {
    int best = 1;
    rows = 0;
    for (int g = 1; g <= 11; ++g) {
        int r = session.workspace.grid(g).rowCount();
        if (r > rows) {
            rows = r;
            best = g;
        }
    }
    return best;
}

}  // namespace plotaktar::bench
