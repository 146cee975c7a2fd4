#include "platform/program.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "platform/stop_signals.h"

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

// Ctrl+\ (SIGQUIT) reaches the started program as well; this one waits for its end instead.
class IgnoredQuit {
  public:
    IgnoredQuit() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGQUIT, &ignore, &old_);
    }
    ~IgnoredQuit() { sigaction(SIGQUIT, &old_, nullptr); }
    IgnoredQuit(const IgnoredQuit&) = delete;
    IgnoredQuit& operator=(const IgnoredQuit&) = delete;

  private:
    struct sigaction old_ = {};
};

// Reads what a program writes on its report channel, NUL-ended paths with one more NUL after
// each list, and keeps only the last complete list: a program that reports often (a sheet
// file a page) costs no more memory than its longest list.
class ReportReader {
  public:
    void take(std::string_view bytes) {
        for (;;) {
            const size_t end = bytes.find('\0');
            if (end == std::string_view::npos) {
                pending_.append(bytes);  // the rest of a path, in the next read
                return;
            }
            pending_.append(bytes.substr(0, end));
            bytes.remove_prefix(end + 1);
            if (pending_.empty()) {
                heldSome_ = heldSome_ || !current_.empty();
                last_ = std::move(current_);
                current_.clear();
            } else {
                current_.push_back(std::move(pending_));
                pending_.clear();
            }
        }
    }
    // A list cut short by the program's end does not count.
    std::vector<std::string> last() && { return std::move(last_); }
    // Whether any complete list named something.
    bool heldSome() const { return heldSome_; }

  private:
    std::string pending_;
    std::vector<std::string> current_, last_;
    bool heldSome_ = false;
};

// The folder of this program's executable, as "/usr/bin/"; empty when it cannot be found.
std::string OwnFolder() {
    std::string self(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<size_t>(length) >= self.size()) {
        return {};
    }
    self.resize(static_cast<size_t>(length));
    return self.substr(0, self.rfind('/') + 1);
}

constexpr const char* kNoOwnFolder = "cannot find this program's folder";

}  // namespace

std::string ProgramBesideCause(const std::vector<std::string>& programs) {
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        return kNoOwnFolder;
    }
    std::string cause = "no program to start";
    for (const std::string& program : programs) {
        const std::string path = folder + program;
        struct stat info;
        if (stat(path.c_str(), &info) != 0) {
            cause = path + ": " + std::strerror(errno);
        } else if (!S_ISREG(info.st_mode)) {
            cause = path + ": " + std::strerror(EACCES);
        } else if (access(path.c_str(), X_OK) != 0) {
            cause = path + ": " + std::strerror(errno);
        } else {
            return {};
        }
    }
    return cause;
}

ProgramEnd RunProgramBeside(const std::vector<std::string>& programs,
                            const std::vector<std::string>& args) {
    ProgramEnd end;
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        end.cause = kNoOwnFolder;
        return end;
    }

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
    // This program's stop signals may be blocked for its signal thread; the started one gets
    // them as usual.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    // A stop signal is passed on; the started program cleans up and ends, and this one then
    // cleans up what it left.
    std::atomic<pid_t> started{-1};
    std::atomic<int> stoppedBy{0};
    StopSignalHandler passOn([&](int signal) {
        stoppedBy.store(signal);
        if (const pid_t to = started.load(); to > 0) {
            kill(to, signal);
        }
        return true;
    });
    IgnoredQuit ignored;
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
            started.store(child);
            if (const int signal = stoppedBy.load(); signal != 0) {
                kill(child, signal);  // came while it was being started
            }
            break;
        }
        end.cause = path + ": " + std::strerror(error);
    }
    posix_spawnattr_destroy(&attributes);
    close(channel[1]);
    if (end.started) {
        // Until the program ends (or closes the channel), keep what it reports.
        ReportReader reports;
        char buffer[4096];
        for (;;) {
            ssize_t got = read(channel[0], buffer, sizeof buffer);
            if (got > 0) {
                reports.take(std::string_view(buffer, static_cast<size_t>(got)));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        end.cleanedUp = reports.heldSome();
        end.leftBehind = std::move(reports).last();
        end.cleanedUp = end.cleanedUp && end.leftBehind.empty();
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFSIGNALED(status)) {
            end.signal = WTERMSIG(status);
        } else {
            end.status = WEXITSTATUS(status);
        }
    }
    end.stoppedBy = stoppedBy.load();
    if (end.stoppedBy == 0 && end.started) {
        end.stoppedBy = TakePendingStopSignal();
    }
    close(channel[0]);
    return end;
}

void ReportLeftBehind(const std::vector<std::string>& paths) {
    const int channel = ReportChannel();
    if (channel < 0) {
        return;
    }
    std::string list;
    try {
        for (const std::string& path : paths) {
            list += path;
            list += '\0';
        }
        list += '\0';
    } catch (const std::bad_alloc&) {
        // Called as paths leave the list too, where nothing may fail: the last list stays, and
        // what it names that is gone by then is no harm to clean up.
        return;
    }
    // The reader keeps the last complete list, so a list cut by the program's end is no harm.
    for (std::string_view rest = list; !rest.empty();) {
        const ssize_t n = write(channel, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        rest.remove_prefix(static_cast<size_t>(n));
    }
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
