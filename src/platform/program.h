#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plotaktar::platform {

// The program's arguments after its own name, as UTF-8 bytes. On Windows they are taken from
// the UTF-16 command line, so that any file name survives; elsewhere they are argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard output and standard error carry bytes unchanged: on Windows they leave text
// mode (a line feed stays one byte) and the console shows UTF-8. Nothing to do elsewhere.
void UseByteStandardStreams();

// The processor cores this program may run on: those of its CPU affinity where the system
// keeps one (taskset, a container's cpuset), otherwise the machine's; at least 1.
unsigned UsableCores();

// How a program started by RunProgramBeside ended.
struct ProgramEnd {
    bool started = false;
    std::string cause;     // why none of the programs could be started
    int status = 0;        // its exit status, when it exited
    int signal = 0;        // the signal that ended it, 0 when it exited
    std::string reported;  // the last line it wrote on its report channel (see below)
};

// The environment variable that names the file descriptor of a report channel to a program
// started by RunProgramBeside: the program writes a line there whenever something it leaves
// behind, should it end abnormally, changes (a temporary file's path; an empty line when none).
inline constexpr const char* kReportChannelVariable = "PLOTAKTAR_REPORT_FD";

// Starts the first of `programs` (paths relative to the folder of this program's executable)
// that can be started, handing it `args` (after its own name) and this program's standard
// streams, and waits for it to end. Interrupting from the terminal (Ctrl+C) ends the started
// program, whose end is then reported here.
ProgramEnd RunProgramBeside(const std::vector<std::string>& programs,
                            const std::vector<std::string>& args);

// Writes `line` and a line feed to the report channel of a program that RunProgramBeside
// started; nothing when there is none. Async-signal-safe once `line` is built.
void Report(std::string_view line);

}  // namespace plotaktar::platform
