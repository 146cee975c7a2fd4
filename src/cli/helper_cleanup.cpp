#include "cli/helper_cleanup.h"

#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "model/message_text.h"
#include "platform/temporaries.h"

namespace plotaktar::cli {

namespace {

namespace fs = std::filesystem;

// Symbolic links followed before giving up, as the kernel does.
constexpr int kMostLinkHops = 40;

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::is_directory(a, ec) && fs::equivalent(a, b, ec) && !ec;
}

// The output as named, and the file its links lead to where it is a link: the writers put
// their temporaries beside the file that gets the contents.
std::vector<fs::path> OutputPlaces(const std::string& output) {
    std::vector<fs::path> places = {fs::path(output)};
    fs::path at(output);
    std::error_code ec;
    for (int hop = 0; hop < kMostLinkHops && fs::is_symlink(fs::symlink_status(at, ec)); ++hop) {
        const fs::path link = fs::read_symlink(at, ec);
        if (ec) {
            break;
        }
        at = link.is_absolute() ? link : FolderOf(at) / link;
        places.push_back(at);
    }
    return places;
}

std::string Cut(std::string_view name) {
    return std::string(name.substr(0, platform::kMostOutputNameInTemporary));
}

// True when `base` is `output`'s name or a page's (STEM-N.EXT), each cut as in a temporary.
bool NamesOutput(std::string_view base, const fs::path& output) {
    const std::string name = output.filename().string();
    if (base == Cut(name)) {
        return true;
    }
    const std::string stem = output.stem().string();
    const std::string extension = output.extension().string();
    if (!base.starts_with(stem + "-")) {
        return false;
    }
    const std::string_view rest = base.substr(stem.size() + 1);
    size_t digits = 0;
    while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) {
        ++digits;
    }
    return digits > 0 && base == Cut(stem + "-" + std::string(rest.substr(0, digits)) + extension);
}

}  // namespace

bool IsOutputsTemporary(const std::string& path, const std::string& output) {
    const fs::path reported(path);
    const std::string name = reported.filename().string();
    for (const std::string_view infix : {platform::kTemporaryInfix, platform::kAsideInfix}) {
        const size_t at = name.rfind(infix);
        if (at == std::string::npos) {
            continue;
        }
        const std::string_view letters = std::string_view(name).substr(at + infix.size());
        bool random = letters.size() >= 6 && letters.size() <= 8;
        for (char c : letters) {
            random = random && std::isalnum(static_cast<unsigned char>(c));
        }
        // A folder's name is the output's after a dot; a temporary file's is the output's.
        const std::string_view before = std::string_view(name).substr(0, at);
        if (!random) {
            continue;
        }
        for (const fs::path& place : OutputPlaces(output)) {
            const bool named = (infix == platform::kTemporaryInfix && NamesOutput(before, place)) ||
                               (before.starts_with('.') && NamesOutput(before.substr(1), place));
            if (named && SameFolder(FolderOf(reported), FolderOf(place))) {
                return true;
            }
        }
    }
    return false;
}

void CleanUpAfter(const std::vector<std::string>& paths, const std::string& program,
                  const std::string& output, std::FILE* err) {
    for (const std::string& path : paths) {
        std::string problem;
        if (output.empty() || !IsOutputsTemporary(path, output)) {
            problem = "left behind by " + program + "; not the output's temporary, so not removed";
        } else if (!platform::CleanUpLeftBehind(path)) {
            problem = "left behind by " + program + "; could not be cleaned up";
        }
        if (!problem.empty()) {
            // The path as any message names a file: it came from another program, and a
            // control character in it must not reach the terminal.
            const std::string line =
                "plotaktar-cli: " + EscapedText(FileNameText(path)) + ": " + problem + "\n";
            std::fwrite(line.data(), 1, line.size(), err);
        }
    }
}

}  // namespace plotaktar::cli
