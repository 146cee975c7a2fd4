#include "process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "test_support.h"

namespace plotaktar::testing {

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) {
    return PathFromUtf8(utf8).wstring();
}

// One argument as the C run-time of the child splits its command line again.
std::wstring Quoted(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open a standard stream of the child");
    }
    return handle;
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    TempDir capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");
    HANDLE streams[3] = {Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING),
                         Inheritable(Wide(outPath), GENERIC_WRITE, CREATE_ALWAYS),
                         Inheritable(Wide(errPath), GENERIC_WRITE, CREATE_ALWAYS)};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = streams[0];
    startup.hStdOutput = streams[1];
    startup.hStdError = streams[2];

    const std::wstring program = Wide(PLOTAKTAR_CLI);
    std::wstring commandLine = Quoted(program);
    for (const std::string& arg : args) {
        commandLine += L' ';
        commandLine += Quoted(Wide(arg));
    }
    const std::wstring directory = cwd.wstring();
    PROCESS_INFORMATION child{};
    // Wine now and then fails a process start with ERROR_INTERNAL_ERROR under load; that is no
    // fault of the tool under test, so the start is tried again a few times.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) {
            if (GetLastError() != ERROR_INTERNAL_ERROR) {
                break;
            }
            Sleep(200);
        }
        started =
            CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           cwd.empty() ? nullptr : directory.c_str(), &startup, &child);
    }
    for (HANDLE stream : streams) {
        CloseHandle(stream);
    }
    if (!started) {
        throw std::runtime_error("CreateProcessW: error " + std::to_string(GetLastError()));
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CliResult result;
    result.status = static_cast<int>(exitCode);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

#else

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    return RunCliWith(args, cwd, {});
}

CliResult RunCliWith(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     const CliStart& start) {
    TempDir capture;
    const std::string outPath = capture.file("stdout");
    const std::string errPath = capture.file("stderr");
    const std::string program = start.program.empty() ? PLOTAKTAR_CLI : start.program;
    std::vector<std::string> argvText = {program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment = start.environment;
    for (char** e = environ; *e != nullptr; ++e) {
        environment.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    // Everything the child needs is made before fork: after it, only system calls.
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid == 0) {
        setpgid(0, 0);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            ::signal(signal, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (start.addressSpaceLimit > 0) {
            struct rlimit limit = {start.addressSpaceLimit, start.addressSpaceLimit};
            setrlimit(RLIMIT_AS, &limit);
        }
        if (start.fileSizeLimit > 0) {
            ::signal(SIGXFSZ, SIG_DFL);
            struct rlimit limit = {start.fileSizeLimit, start.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || (!cwd.empty() && chdir(cwd.c_str()) != 0)) {
            _exit(126);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);  // whichever of the two runs first
    if (start.started) {
        start.started(pid);
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
        }
    }
    CliResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

#endif

}  // namespace plotaktar::testing
