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

// Runs `argv` (argv[0] the program's path) with standard input from /dev/null and both
// output streams collected, and waits for it. While it runs, `stop` is asked now and then;
// once it says yes, the program is sent SIGINT (once) and still waited for.
ChildRun RunChild(const std::vector<std::string>& argv, bool (*stop)());

// The path of this program's own executable, for running it again with another command.
std::string OwnExecutable();

}  // namespace plotaktar::cli
