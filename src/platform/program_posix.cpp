#include "platform/program.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace plotaktar::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseByteStandardStreams() {}

namespace {

// The report channel of this process, or -1; read from the environment once.
int ReportChannel() {
    static const int channel = [] {
        const char* value = std::getenv(kReportChannelVariable);
        if (value == nullptr) {
            return -1;
        }
        char* end = nullptr;
        long fd = std::strtol(value, &end, 10);
        if (end == value || *end != '\0' || fd < 3 || fd > INT_MAX ||
            fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC) != 0) {
            return -1;
        }
        return static_cast<int>(fd);
    }();
    return channel;
}

// Ctrl+C and Ctrl+\ reach the started program as well; this one waits for its end instead.
class IgnoredTerminalSignals {
  public:
    IgnoredTerminalSignals() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGINT, &ignore, &oldInterrupt_);
        sigaction(SIGQUIT, &ignore, &oldQuit_);
    }
    ~IgnoredTerminalSignals() {
        sigaction(SIGINT, &oldInterrupt_, nullptr);
        sigaction(SIGQUIT, &oldQuit_, nullptr);
    }
    IgnoredTerminalSignals(const IgnoredTerminalSignals&) = delete;
    IgnoredTerminalSignals& operator=(const IgnoredTerminalSignals&) = delete;

  private:
    struct sigaction oldInterrupt_ = {};
    struct sigaction oldQuit_ = {};
};

}  // namespace

ProgramEnd RunProgramBeside(const std::vector<std::string>& programs,
                            const std::vector<std::string>& args) {
    ProgramEnd end;
    std::string self(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<size_t>(length) >= self.size()) {
        end.cause = "cannot find this program's folder";
        return end;
    }
    self.resize(static_cast<size_t>(length));
    const std::string folder = self.substr(0, self.rfind('/') + 1);

    int channel[2];
    if (pipe(channel) != 0) {
        end.cause = std::string("cannot make a pipe: ") + std::strerror(errno);
        return end;
    }
    fcntl(channel[0], F_SETFD, FD_CLOEXEC);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (!std::string_view(*e).starts_with(std::string(kReportChannelVariable) + "=")) {
            environment.emplace_back(*e);
        }
    }
    environment.push_back(std::string(kReportChannelVariable) + "=" + std::to_string(channel[1]));
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    IgnoredTerminalSignals ignored;
    pid_t child = -1;
    end.cause = "no program to start";
    for (const std::string& program : programs) {
        const std::string path = folder + program;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        int error =
            posix_spawn(&child, path.c_str(), nullptr, &attributes, argv.data(), envp.data());
        if (error == 0) {
            end.started = true;
            end.cause.clear();
            break;
        }
        end.cause = path + ": " + std::strerror(error);
    }
    posix_spawnattr_destroy(&attributes);
    close(channel[1]);
    if (end.started) {
        // Until the program ends (or closes the channel), keep its last report line.
        std::string reports;
        char buffer[4096];
        for (;;) {
            ssize_t got = read(channel[0], buffer, sizeof buffer);
            if (got > 0) {
                reports.append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        if (!reports.empty() && reports.back() == '\n') {
            reports.pop_back();
        }
        end.reported = reports.substr(reports.find_last_of('\n') + 1);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFSIGNALED(status)) {
            end.signal = WTERMSIG(status);
        } else {
            end.status = WEXITSTATUS(status);
        }
    }
    close(channel[0]);
    return end;
}

void Report(std::string_view line) {
    const int channel = ReportChannel();
    if (channel < 0) {
        return;
    }
    // One write for the line and its end, so that the reader never sees half of it.
    char buffer[4096];
    if (line.size() + 1 > sizeof buffer) {
        return;
    }
    if (!line.empty()) {  // an empty view may hold no address at all
        std::memcpy(buffer, line.data(), line.size());
    }
    buffer[line.size()] = '\n';
    ssize_t ignored = write(channel, buffer, line.size() + 1);
    (void)ignored;
}

unsigned UsableCores() {
#ifdef __linux__
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&cores));
    }
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace plotaktar::platform
