#include "process_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace plotaktar::bench {

namespace {

// A request is a count and then each string as a length and its bytes; the reply is one
// ProcessRun. Both are read and written whole on pipes between two processes of the harness.
// Moves `size` bytes with read or write, across short transfers and interruptions.
template <typename Transfer, typename Byte>
bool TransferAll(Transfer transfer, int fd, Byte* p, size_t size) {
    while (size > 0) {
        ssize_t n = transfer(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    return TransferAll(::read, fd, static_cast<char*>(data), size);
}

bool WriteAll(int fd, const void* data, size_t size) {
    return TransferAll(::write, fd, static_cast<const char*>(data), size);
}

bool ReadStrings(int fd, std::vector<std::string>& strings) {
    uint32_t count = 0;
    if (!ReadAll(fd, &count, sizeof count)) {
        return false;
    }
    strings.assign(count, {});
    for (std::string& s : strings) {
        uint32_t size = 0;
        if (!ReadAll(fd, &size, sizeof size)) {
            return false;
        }
        s.resize(size);
        if (!ReadAll(fd, s.data(), size)) {
            return false;
        }
    }
    return true;
}

double Ms(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) * 1e-3;
}

// The helper's side: the last string of a request is the log path, the others the command.
ProcessRun RunChild(std::vector<std::string> strings) {
    ProcessRun run;
    std::string log = strings.back();
    strings.pop_back();
    std::vector<char*> argv;
    for (std::string& a : strings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // What earlier steps wrote without a sync of their own (a peer's output, a log) is written
    // out first: a run should not pay for the disk writing, on one of the cores, of another's.
    sync();
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        run.exitStatus = 127;
        return run;
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.time.wallMs = Milliseconds(std::chrono::steady_clock::now() - start);
    run.time.cpuMs = Ms(usage.ru_utime) + Ms(usage.ru_stime);
    run.peakResidentMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is KiB
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

[[noreturn]] void ServeRequests(int requests, int replies) {
    std::vector<std::string> strings;
    while (ReadStrings(requests, strings) && !strings.empty()) {
        ProcessRun run = RunChild(strings);
        if (!WriteAll(replies, &run, sizeof run)) {
            break;
        }
    }
    _exit(0);
}

}  // namespace

ProcessRunner::ProcessRunner() {
    int toHelper[2], fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0 || pipe2(fromHelper, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    helper_ = fork();
    if (helper_ < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (helper_ == 0) {
        close(toHelper[1]);
        close(fromHelper[0]);
        ServeRequests(toHelper[0], fromHelper[1]);
    }
    close(toHelper[0]);
    close(fromHelper[1]);
    requests_ = toHelper[1];
    replies_ = fromHelper[0];
}

ProcessRunner::~ProcessRunner() {
    close(requests_);
    close(replies_);
    int status = 0;
    while (waitpid(helper_, &status, 0) < 0 && errno == EINTR) {
    }
}

ProcessRun ProcessRunner::run(const std::vector<std::string>& args, const std::string& log) {
    std::vector<std::string> strings = args;
    strings.push_back(log);
    uint32_t count = static_cast<uint32_t>(strings.size());
    bool sent = WriteAll(requests_, &count, sizeof count);
    for (const std::string& s : strings) {
        uint32_t size = static_cast<uint32_t>(s.size());
        sent = sent && WriteAll(requests_, &size, sizeof size) &&
               WriteAll(requests_, s.data(), s.size());
    }
    ProcessRun run;
    if (!sent || !ReadAll(replies_, &run, sizeof run)) {
        throw std::runtime_error("the process runner stopped");
    }
    if (run.exitStatus == 127 && run.time.wallMs == 0) {
        throw std::runtime_error(args.front() + ": cannot be started");
    }
    return run;
}

}  // namespace plotaktar::bench
