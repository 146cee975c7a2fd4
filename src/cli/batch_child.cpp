#include "cli/batch_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace plotaktar::cli {

namespace {

// A pipe whose ends close with it; both ends are closed in every child started meanwhile.
struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeRead() {
        if (read >= 0) {
            close(read);
            read = -1;
        }
    }
    void closeWrite() {
        if (write >= 0) {
            close(write);
            write = -1;
        }
    }
};

// Moves what is waiting in `pipe` to `text`; closes the pipe at its end.
void Drain(Pipe& pipe, std::string& text) {
    char buffer[65536];
    ssize_t n = ::read(pipe.read, buffer, sizeof buffer);
    if (n > 0) {
        text.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        pipe.closeRead();
    }
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, int (*stopLevel)()) {
    ChildRun run;
    Pipe out, err;
    if (out.read < 0 || err.read < 0) {
        run.cause = std::strerror(errno);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    // The batch's stop signals are blocked for its signal thread; the program gets them as usual.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    out.closeWrite();
    err.closeWrite();
    if (spawned != 0) {
        run.cause = std::strerror(spawned);
        return run;
    }
    run.started = true;
    bool stopSent = false;
    while (out.read >= 0 || err.read >= 0) {
        pollfd fds[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
        if (poll(fds, 2, 100) > 0) {
            if (fds[0].revents != 0) {
                Drain(out, run.out);
            }
            if (fds[1].revents != 0) {
                Drain(err, run.err);
            }
        }
        if (!stopSent && stopLevel() >= kStopChildren) {
            kill(-pid, SIGTERM);
            stopSent = true;
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    } else {
        run.status = WEXITSTATUS(status);
    }
    return run;
}

std::string OwnExecutable() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) {
        return "plotaktar-cli";
    }
    path.resize(static_cast<size_t>(n));
    return path;
}

}  // namespace plotaktar::cli
