#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/session.h"
#include "testing/scripted_ui.h"

namespace plotaktar::testing {

// The scripted user of the core tests: a dialog that a test queued no answer for fails it.
class ScriptedUi : public plotaktar::ScriptedUi {
  public:
    ScriptedUi() : plotaktar::ScriptedUi(/*strict=*/true) {}
};

// A fresh empty directory under the system's temporary directory, removed at destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` into a file of that name in the directory; returns its full path.
    std::string write(std::string_view name, std::string_view bytes) const;
    // The full path of a name in the directory, as the program's UTF-8 bytes.
    std::string file(std::string_view name) const;

  private:
    std::filesystem::path path_;
};

// A path as the program's bytes (UTF-8 on Windows), and back.
std::string Utf8Path(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(std::string_view utf8);

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Gives up root for the user nobody (groups included). False when that is not possible (always
// on Windows).
bool DropToNobody();

// Runs `body` in a child process and returns what it returned. With `asNobody` the child gives
// up root (root passes every permission check) and runs as the user nobody; when the tests
// already run unprivileged it runs as it is. The result is nothing when the child could not
// drop its privileges (and always on Windows); a child that dies or throws gives a text that
// says so.
std::optional<std::string> RunInChild(const std::function<std::string()>& body, bool asNobody);

#ifndef _WIN32
// Runs a command through the shell and returns what it printed on standard output.
std::string Shell(const std::string& command);
#endif

// windows-1254 bytes of a UTF-8 literal, for expected texts in tests.
std::string W(std::string_view utf8);

// Lines joined with CR LF after each.
std::string CrLf(std::initializer_list<std::string_view> lines);

// Runs one import click with the given answers (nullopt = cancel) and returns its messages.
std::vector<std::string> Import(Session& session, std::optional<std::string> geometry,
                                std::optional<std::string> labels = std::string());

}  // namespace plotaktar::testing
