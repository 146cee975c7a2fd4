#include "model/run_files.h"

namespace plotaktar {

void RunFiles::addInput(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const size_t index = inputs_.size();
    inputs_.push_back(path);
    inputNames_.emplace(path, index);
    if (std::optional<platform::FileIdentity> id = platform::FileIdentityOf(path)) {
        inputIdentities_.emplace(*id, index);
    }
}

void RunFiles::addExistingInput(const std::string& path) {
    if (!path.empty() && platform::FileIdentityOf(path)) {
        addInput(path);
    }
}

void RunFiles::addOutput(const std::string& path) {
    outputs_.push_back(path);
}

void RunFiles::addOutputs(const std::vector<std::string>& paths) {
    outputs_.insert(outputs_.end(), paths.begin(), paths.end());
}

std::optional<OutputIsInput> RunFiles::outputThatIsInput() const {
    for (const std::string& output : outputs_) {
        if (auto named = inputNames_.find(output); named != inputNames_.end()) {
            return OutputIsInput{output, inputs_[named->second]};
        }
        if (inputIdentities_.empty()) {
            continue;
        }
        if (std::optional<platform::FileIdentity> id = platform::FileIdentityOf(output)) {
            if (auto same = inputIdentities_.find(*id); same != inputIdentities_.end()) {
                return OutputIsInput{output, inputs_[same->second]};
            }
        }
    }
    return std::nullopt;
}

}  // namespace plotaktar
