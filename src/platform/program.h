#pragma once

#include <string>
#include <vector>

namespace plotaktar::platform {

// The program's arguments after its own name, as UTF-8 bytes. On Windows they are taken from
// the UTF-16 command line, so that any file name survives; elsewhere they are argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard output and standard error carry bytes unchanged: on Windows they leave text
// mode (a line feed stays one byte) and the console shows UTF-8. Nothing to do elsewhere.
void UseByteStandardStreams();

// Replaces this process with the first of `programs` (paths relative to the folder of this
// program's executable) that can be started, handing it `args` (after its own name). Returns
// only when none could be started, with the cause of the last failure.
std::string ReplaceWithProgramBeside(const std::vector<std::string>& programs,
                                     const std::vector<std::string>& args);

}  // namespace plotaktar::platform
