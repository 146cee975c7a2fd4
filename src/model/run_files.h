#pragma once

// Every input of a run and every file it will write, compared before anything is opened for
// writing: no output may be an input, whatever name it is reached by. Every command that writes
// (convert, run's and the window's save, render, export, batch, the viewer) asks this one place.

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_identity.h"

namespace plotaktar {

// An output that is an input: the output's name and the input's, as each was given.
struct OutputIsInput {
    std::string output;
    std::string input;
};

class RunFiles {
  public:
    // An input of the run (an empty name is none). Its identity is taken now: a file that
    // does not exist can only be met by its very name.
    void addInput(const std::string& path);
    // An input only when it exists now (the save's rule: a companion that is not there is no
    // input to keep).
    void addExistingInput(const std::string& path);
    // A file the run will write.
    void addOutput(const std::string& path);
    void addOutputs(const std::vector<std::string>& paths);

    // The first output, in the order added, that has an input's name or is the same existing
    // file as an input (device and file number, links followed); nothing when none is.
    std::optional<OutputIsInput> outputThatIsInput() const;

  private:
    struct IdentityHash {
        size_t operator()(const platform::FileIdentity& id) const {
            return std::hash<uint64_t>()(id.file * 0x9E3779B97F4A7C15ull ^ id.device);
        }
    };
    std::vector<std::string> inputs_;
    std::unordered_map<std::string, size_t> inputNames_;
    std::unordered_map<platform::FileIdentity, size_t, IdentityHash> inputIdentities_;
    std::vector<std::string> outputs_;
};

}  // namespace plotaktar
