#pragma once

// What a writer leaves beside its output while it works: a temporary file or folder that
// becomes the output when complete, or a folder holding the old files it moved aside. This
// process keeps a list of them; should it end early, they are cleaned up (temporaries removed,
// old files put back) by its own stop-signal handling or, after it was killed, by the program
// that started it, to which the list is reported (see program.h).

#include <string>
#include <string_view>

namespace plotaktar::platform {

// A temporary's name is the output's name, cut to kMostOutputNameInTemporary bytes, followed by
// kTemporaryInfix and a few letters or digits (a folder's name starts with a dot). A folder of
// old files moved aside is named as a temporary folder with kAsideInfix.
inline constexpr std::string_view kTemporaryInfix = ".tmp-";
inline constexpr std::string_view kAsideInfix = ".aside-";
inline constexpr size_t kMostOutputNameInTemporary = 200;
// In a folder of old files, the entry that says a file of that name (without this ending) did
// not exist before: the new one is removed when the old files are put back.
inline constexpr std::string_view kNoOldFileEnding = ".none";

// Eight letters or digits chosen at random, for the end of a temporary's name. A temporary is
// put on the list under its name before it is created, so that no moment exists when it is
// there but not listed.
std::string TemporaryLetters();

// One path on the list while this lives. Adding and removing report the whole list again.
// Throws std::bad_alloc when the list cannot grow.
class LeftBehind {
  public:
    LeftBehind() = default;
    explicit LeftBehind(std::string path);
    ~LeftBehind();
    LeftBehind(LeftBehind&& other) noexcept;
    LeftBehind& operator=(LeftBehind&& other) noexcept;
    LeftBehind(const LeftBehind&) = delete;
    LeftBehind& operator=(const LeftBehind&) = delete;

    // Off the list now (the path was put in place, or cleaned up by its owner).
    void release();

  private:
    std::string path_;
};

// Held while a step that puts new files in place runs (the renames of a set, or of one file,
// with the list brought up to date): the clean-up of a program ending on a signal waits for the
// step, so it never finds one half done. Steps may nest.
class OutputStep {
  public:
    OutputStep();
    ~OutputStep();
    OutputStep(const OutputStep&) = delete;
    OutputStep& operator=(const OutputStep&) = delete;
};

// True when `name` (no folder) is that of a folder of old files moved aside.
bool IsAsideName(std::string_view name);

// Cleans up one path of the list: a folder of old files moved aside puts each of them back
// into the folder it lies in (and removes the new file where no old one was), then goes; any
// other path is removed with all it holds. Links are never followed. Returns false, keeping
// what it could not put back, when something failed; a path that no longer exists is done.
bool CleanUpLeftBehind(const std::string& path);

// Cleans up everything on the list, for a program that is about to end on a signal, once a step
// that runs is done. The list and the steps stay locked afterwards: nothing can be added or put
// in place while the program ends.
void CleanUpAllLeftBehindForExit();

}  // namespace plotaktar::platform
