#pragma once

#include <string>
#include <vector>

namespace plotaktar::cli {

// How a run of a program ended, with what it wrote.
struct ChildRun {
    bool started = false;
    std::string cause;  // why it could not be started
    int status = 0;     // its exit status, when it exited
    int signal = 0;     // the signal that ended it, 0 when it exited
    std::string out;    // its standard output
    std::string err;    // its standard error
};

// How hard a batch is asked to stop (stopLevel below): not at all, by starting no more (the
// running programs finish), or by ending the running programs too.
inline constexpr int kStopStarting = 1;
inline constexpr int kStopChildren = 2;

// Runs `argv` (argv[0] the program's path) in a process group of its own, with standard input
// from /dev/null and both output streams collected, and waits for it. A Ctrl+C at the terminal
// therefore reaches the batch alone. While it runs, `stopLevel` is asked now and then; once it
// says kStopChildren, the program's group is sent SIGTERM (once) and still waited for.
ChildRun RunChild(const std::vector<std::string>& argv, int (*stopLevel)());

// The path of this program's own executable, for running it again with another command.
std::string OwnExecutable();

}  // namespace plotaktar::cli
