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
    std::string cause;  // why none of the programs could be started
    int status = 0;     // its exit status, when it exited
    int signal = 0;     // the signal that ended it, 0 when it exited
    // What it had left beside its outputs when it ended, by its last complete report (see
    // temporaries.h): empty when it cleaned up after itself.
    std::vector<std::string> leftBehind;
    // It had left something beside its outputs, and nothing by its last report: what it wrote
    // was put in place or given up before it ended. Always false on Windows.
    bool cleanedUp = false;
    // The stop signal (SIGINT, SIGTERM, SIGHUP) this program received while it waited; it was
    // passed on to the started program. 0 when none came.
    int stoppedBy = 0;
};

// The environment variable that names the file descriptor of a report channel to a program
// started by RunProgramBeside. Whenever the list of what the program leaves behind changes
// (temporaries.h), it writes the whole list there: each path followed by a NUL byte, then one
// more NUL byte (a lone NUL: nothing left behind). Paths hold any other byte, line feeds too.
inline constexpr const char* kReportChannelVariable = "PLOTAKTAR_REPORT_FD";

// Starts the first of `programs` (paths relative to the folder of this program's executable)
// that can be started, handing it `args` (after its own name) and this program's standard
// streams, and waits for it to end. A stop signal this program receives meanwhile (Ctrl+C,
// SIGTERM, SIGHUP; see stop_signals.h) is passed on to the started program, and its end is
// then reported here with ProgramEnd::stoppedBy.
ProgramEnd RunProgramBeside(const std::vector<std::string>& programs,
                            const std::vector<std::string>& args);

// Why RunProgramBeside could start none of `programs`, in its words ("PATH: No such file or
// directory"), or the empty text when one of them is a file this program may run. Lets a
// caller that would start one program a drawing find a missing installation once, first.
std::string ProgramBesideCause(const std::vector<std::string>& programs);

// Writes the list of what this program leaves behind to the report channel of a program that
// RunProgramBeside started; nothing when there is none, or when memory for it runs out. Used
// by temporaries.cpp.
void ReportLeftBehind(const std::vector<std::string>& paths);

}  // namespace plotaktar::platform
