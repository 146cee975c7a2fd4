#include "platform/program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plotaktar::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseByteStandardStreams() {}

std::string ReplaceWithProgramBeside(const std::vector<std::string>& programs,
                                     const std::vector<std::string>& args) {
    std::string self(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<size_t>(length) >= self.size()) {
        return "cannot find this program's folder";
    }
    self.resize(static_cast<size_t>(length));
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    std::string cause = "no program to start";
    for (const std::string& program : programs) {
        const std::string path = folder + program;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        cause = path + ": " + std::strerror(errno);
    }
    return cause;
}

}  // namespace plotaktar::platform
