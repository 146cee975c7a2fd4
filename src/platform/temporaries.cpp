#include "platform/temporaries.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#include "platform/program.h"

namespace plotaktar::platform {

namespace {

namespace fs = std::filesystem;

// Never destroyed: the signal thread may clean up while the program's statics are destroyed.
std::mutex& ListMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::recursive_mutex& StepMutex() {
    static auto* mutex = new std::recursive_mutex;
    return *mutex;
}

std::vector<std::string>& List() {
    static auto* list = new std::vector<std::string>;
    return *list;
}

// The folder a path lies in, "." for a bare name.
fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool PutBack(const fs::path& aside) {
    const fs::path home = FolderOf(aside);
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(aside, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(it->path());
    }
    if (ec) {
        return ec == std::errc::no_such_file_or_directory;
    }
    bool complete = true;
    for (const fs::path& entry : entries) {
        const std::string name = entry.filename().string();
        if (name.size() > kNoOldFileEnding.size() && name.ends_with(kNoOldFileEnding)) {
            // The new file went where there was none: it goes, with the marker.
            fs::remove(home / name.substr(0, name.size() - kNoOldFileEnding.size()), ec);
            fs::remove(entry, ec);
            continue;
        }
        fs::rename(entry, home / name, ec);
        complete = complete && !ec;
    }
    if (complete) {
        fs::remove(aside, ec);
    }
    return complete;
}

}  // namespace

std::string TemporaryLetters() {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{(static_cast<uint64_t>(std::random_device{}()) << 32) ^
                                           std::random_device{}()};
    std::string letters(8, ' ');
    for (char& c : letters) {
        c = kLetters[generator() % kLetters.size()];
    }
    return letters;
}

LeftBehind::LeftBehind(std::string path) : path_(std::move(path)) {
    std::lock_guard lock(ListMutex());
    List().push_back(path_);
    ReportLeftBehind(List());
}

LeftBehind::~LeftBehind() {
    release();
}

LeftBehind::LeftBehind(LeftBehind&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

LeftBehind& LeftBehind::operator=(LeftBehind&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

void LeftBehind::release() {
    if (path_.empty()) {
        return;
    }
    std::lock_guard lock(ListMutex());
    std::vector<std::string>& list = List();
    const auto at = std::find(list.begin(), list.end(), path_);
    if (at != list.end()) {
        list.erase(at);
    }
    path_.clear();
    ReportLeftBehind(list);
}

OutputStep::OutputStep() {
    StepMutex().lock();
}

OutputStep::~OutputStep() {
    StepMutex().unlock();
}

bool IsAsideName(std::string_view name) {
    const size_t at = name.rfind(kAsideInfix);
    return !name.empty() && name.front() == '.' && at != std::string_view::npos && at > 1 &&
           name.find_first_of("./\\", at + kAsideInfix.size()) == std::string_view::npos;
}

bool CleanUpLeftBehind(const std::string& path) {
    const fs::path where(path);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(where, ec);
    if (ec || !fs::exists(status)) {
        return true;
    }
    if (fs::is_directory(status) && IsAsideName(where.filename().string())) {
        return PutBack(where);
    }
    fs::remove_all(where, ec);
    return !ec;
}

void CleanUpAllLeftBehindForExit() {
    StepMutex().lock();  // never unlocked: the program ends
    ListMutex().lock();
    std::vector<std::string>& list = List();
    for (const std::string& path : list) {
        CleanUpLeftBehind(path);
    }
    list.clear();
    ReportLeftBehind(list);
}

}  // namespace plotaktar::platform
