// windows.h first: the other system headers build on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "platform/program.h"
#include "platform/wide_text_win32.h"

namespace plotaktar::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(Utf8FromWide(wide[i]));
    }
    LocalFree(wide);
    return args;
}

void UseByteStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

// The Windows tool is built without the programs it could start.
ProgramEnd RunProgramBeside(const std::vector<std::string>&, const std::vector<std::string>&) {
    ProgramEnd end;
    end.cause = "not available on Windows";
    return end;
}

std::string ProgramBesideCause(const std::vector<std::string>&) {
    return "not available on Windows";
}

void ReportLeftBehind(const std::vector<std::string>&) {}

unsigned UsableCores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace plotaktar::platform
