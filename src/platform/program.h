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

}  // namespace plotaktar::platform
