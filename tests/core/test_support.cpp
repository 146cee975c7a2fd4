#include "test_support.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "import/import_command.h"
#include "model/cp1254.h"

namespace plotaktar::testing {

std::string Utf8Path(const std::filesystem::path& path) {
    std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TempDir::TempDir() {
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("plotaktar-test-" + std::to_string(random()));
        // create_directory is false when the name is taken; only a new directory is ours.
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave directories without permissions behind; give them back first. A symbolic
    // link is skipped: permissions() follows it, and run as root it would change whatever the
    // link names (a test's link to /dev/null made /dev/null mode 0766).
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (std::filesystem::is_symlink(it->symlink_status(ignored))) {
            continue;
        }
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(std::string_view name) const {
    return Utf8Path(path_ / PathFromUtf8(name));
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    std::string full = file(name);
    std::ofstream out(PathFromUtf8(full), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + full);
    }
    return full;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(PathFromUtf8(path), error);
}

#ifdef _WIN32

bool DropToNobody() {
    return false;
}

std::optional<std::string> RunInChild(const std::function<std::string()>&, bool) {
    return std::nullopt;
}

#else

bool DropToNobody() {
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

std::optional<std::string> RunInChild(const std::function<std::string()>& body, bool asNobody) {
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

std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}

#endif

std::string W(std::string_view utf8) {
    return Cp1254FromUtf8(utf8);
}

std::string CrLf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> Import(Session& session, std::optional<std::string> geometry,
                                std::optional<std::string> labels) {
    ScriptedUi ui;
    ui.answerOpen(std::move(geometry), std::move(labels));
    RunOpenCommand(session, ui);
    return ui.messages;
}

}  // namespace plotaktar::testing
