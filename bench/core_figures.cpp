#include "core_figures.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "export/export_command.h"
#include "import/import_command.h"

extern char** environ;

namespace plotaktar::bench {

namespace {

using Clock = std::chrono::steady_clock;

uint64_t ReadAndCountLines(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error(path + ": " + std::strerror(errno));
    }
    struct stat st {};
    fstat(fd, &st);
    size_t size = static_cast<size_t>(st.st_size);
    std::unique_ptr<char[]> bytes(new char[size + 1]);
    size_t done = 0;
    while (done < size) {
        ssize_t got = read(fd, bytes.get() + done, size - done);
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    uint64_t lines = 0;
    const char* p = bytes.get();
    const char* end = p + done;
    while (p < end) {
        const char* cr =
            static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
        if (cr == nullptr) {
            ++lines;  // a last line without CR
            break;
        }
        ++lines;
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
    ui.geometry = drawing.geometry;
    ui.labels = drawing.labels;
    ui.messages.clear();
    ui.failedRecords = 0;
    Stopwatch watch;
    BitBtn1Click(session, ui);
    return watch.elapsed();
}

Timing ExportOnce(Session& session, const std::string& path, ScriptedUi& ui) {
    ui.savePath = path;
    ui.messages.clear();
    Stopwatch watch;
    SpeedButton1Click(session, ui);
    return watch.elapsed();
}

ProcessRun ConvertOnce(const std::string& cli, const Drawing& drawing, const std::string& output,
                       const std::string& log) {
    std::vector<std::string> args{cli, "convert", drawing.geometry, drawing.labels, "-o", output};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    ProcessRun run;
    auto start = Clock::now();
    pid_t pid = 0;
    int rc = posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error(cli + ": " + std::strerror(rc));
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("wait4: ") + std::strerror(errno));
        }
    }
    run.time.wallMs = Milliseconds(Clock::now() - start);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) * 1e-3;
    };
    run.time.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.peakResidentMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is KiB
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

uint64_t TablesMemory(const Session& session) {
    uint64_t bytes = 0;
    for (int g = 1; g <= kGridCount; ++g) {
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
