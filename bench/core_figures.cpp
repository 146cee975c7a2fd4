#include "core_figures.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
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
        // On large pages where the system has them, as plotaktar reads its input files: the
        // floor is the least a reader has to pay.
        madvise(p, size_, MADV_HUGEPAGE);
    }
    ~FreshMemory() { munmap(data_, size_); }
    FreshMemory(const FreshMemory&) = delete;
    FreshMemory& operator=(const FreshMemory&) = delete;
    char* data() { return data_; }

  private:
    char* data_;
    size_t size_;
};

// Reads a whole file into fresh memory and counts its lines (one memchr scan for CR).
uint64_t ReadAndCountLines(const std::string& path, std::unique_ptr<FreshMemory>& bytes,
                           size_t& size) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    struct stat st {};
    fstat(fd, &st);
    size = static_cast<size_t>(st.st_size);
    bytes = std::make_unique<FreshMemory>(size);
    size_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, bytes->data() + done, size - done);
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    size = done;
    uint64_t lines = 0;
    const char* p = bytes->data();
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

// Writes `count` bytes taken from `from` over and over into a new file in chunks of a
// mebibyte, syncs and closes it: what any writer of that much output has to pay.
void WriteAndSync(const std::string& path, const char* from, size_t size, uint64_t count) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    constexpr size_t kChunk = size_t{1} << 20;
    uint64_t written = 0;
    while (written < count && size > 0) {
        const size_t at = static_cast<size_t>(written % size);
        const size_t n = static_cast<size_t>(
            std::min<uint64_t>({kChunk, count - written, static_cast<uint64_t>(size - at)}));
        const ssize_t put = write(fd, from + at, n);
        if (put <= 0) {
            close(fd);
            throw std::runtime_error(path + ": " + std::strerror(errno));
        }
        written += static_cast<uint64_t>(put);
    }
    fsync(fd);
    close(fd);
}

}  // namespace

Timing ReadFloorOnce(const Drawing& drawing, uint64_t& lines) {
    Stopwatch watch;
    std::unique_ptr<FreshMemory> bytes;
    size_t size = 0;
    lines = 0;
    for (const std::string* file : {&drawing.geometry, &drawing.labels, &drawing.companion}) {
        lines += ReadAndCountLines(*file, bytes, size);
    }
    return watch.elapsed();
}

Timing FloorOnce(const Drawing& drawing, uint64_t outputBytes, const std::string& scratch) {
    Stopwatch watch;
    std::unique_ptr<FreshMemory> geometry, labels, companion;
    size_t geometrySize = 0, size = 0;
    ReadAndCountLines(drawing.geometry, geometry, geometrySize);
    ReadAndCountLines(drawing.labels, labels, size);
    ReadAndCountLines(drawing.companion, companion, size);
    WriteAndSync(scratch, geometry->data(), geometrySize, outputBytes);
    Timing timing = watch.elapsed();
    unlink(scratch.c_str());
    return timing;
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
