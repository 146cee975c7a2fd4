// Helpers of the hostile-input and export-fault tests: running a piece of a test as an
// unprivileged user, and a compact account of what an import left behind.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "model/session.h"
#include "test_support.h"

namespace plotaktar::testing {

// Gives up root for the user nobody (groups included). False when that is not possible.
inline bool DropToNobody() {
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

// Runs `body` in a child process and returns what it returned. With `asNobody` the child gives
// up root (root passes every permission check) and runs as the user nobody; when the tests
// already run unprivileged it runs as it is. The result is nothing when the child could not
// drop its privileges; a child that dies or throws gives a text that says so.
inline std::optional<std::string> RunInChild(const std::function<std::string()>& body,
                                             bool asNobody) {
    int channel[2];
    if (pipe(channel) != 0) {
        return std::nullopt;
    }
    pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(channel[0]);
        if (asNobody && geteuid() == 0 && !DropToNobody()) {
            _exit(77);
        }
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = std::string("exception: ") + e.what();
        }
        const char* p = result.data();
        size_t left = result.size();
        while (left > 0) {
            ssize_t n = write(channel[1], p, left);
            if (n <= 0) {
                _exit(2);
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<size_t>(n));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "child failed with status " + std::to_string(status) + ": " + result;
    }
    return result;
}

// What an import left for the user to see and for the export to read: its messages, the ten
// flags, every table's counts, and the cells that tell the files apart in these tests.
inline std::string ImportSummary(const Session& session, const std::vector<std::string>& messages) {
    const Workspace& ws = session.workspace;
    std::string out = "messages:";
    for (const std::string& m : messages) {
        out += " [" + m + "]";
    }
    out += "\nflags:";
    for (const auto& [name, value] : ws.flags.named()) {
        out += " " + std::string(name) + "=" + *value;
    }
    out += "\ncounts:";
    for (int g = 1; g <= 13; ++g) {
        const Table& t = ws.grid(g);
        out += " " + std::to_string(t.colCount()) + "x" + std::to_string(t.rowCount());
    }
    out += "\nfirst rows: " + std::string(ws.grid(1).cell(1, 1)) + " | " +
           std::string(ws.grid(6).cell(10, 1)) + " | " + std::string(ws.grid(6).cell(10, 2)) +
           " | " + std::string(ws.grid(11).cell(4, 0));
    return out;
}

}  // namespace plotaktar::testing
