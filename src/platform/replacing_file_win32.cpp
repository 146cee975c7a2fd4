#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "platform/wide_text_win32.h"

namespace plotaktar::platform {

namespace {

// Names tried for the temporary before giving up on clashes.
constexpr int kTemporaryAttempts = 100;
// The target's name is cut to this many UTF-16 units inside the temporary's name, so that the
// temporary fits the 255-unit limit of a name whenever the target does.
constexpr size_t kMaxBaseInTemporary = 200;
// The attributes of an existing target that its new contents keep (read-only targets are
// refused, folders are no targets).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// The most one ReadFile or WriteFile call is given (its count is 32 bits).
constexpr size_t kMaxTransfer = 1u << 30;

[[noreturn]] void ThrowFileError(DWORD error) {
    int code = static_cast<int>(error);
    throw FileError(FileErrorMessage(code), code);
}

[[noreturn]] void ThrowLastError() {
    ThrowFileError(GetLastError());
}

size_t NameStart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"/\\");
    if (slash != std::wstring::npos) {
        return slash + 1;
    }
    // "C:name" names a file in the drive's current folder.
    return path.size() >= 2 && path[1] == L':' ? 2 : 0;
}

std::wstring RandomSuffix() {
    static constexpr std::wstring_view kLetters =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<uint64_t>(GetCurrentProcessId()) << 32)};
    std::wstring suffix(8, L' ');
    for (wchar_t& c : suffix) {
        c = kLetters[generator() % kLetters.size()];
    }
    return suffix;
}

// Opens an existing target for writing, to find what writing it would meet and, when it is no
// disk file (a device, a pipe), to write it in place. Others may go on reading and writing it.
HANDLE OpenExisting(const std::wstring& path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        file = CreateFileW(path.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return file;
}

void WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(bytes.size() < kMaxTransfer ? bytes.size() : kMaxTransfer);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            ThrowLastError();
        }
        if (written == 0) {
            ThrowFileError(ERROR_DISK_FULL);
        }
        bytes.remove_prefix(written);
    }
}

}  // namespace

std::string FileErrorMessage(int systemError) {
    switch (static_cast<DWORD>(systemError)) {
        case ERROR_FILE_NOT_FOUND:
            return "File not found";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
            return "Invalid filename";
        case ERROR_TOO_MANY_OPEN_FILES:
            return "Too many open files";
        case ERROR_ACCESS_DENIED:
            return "File access denied";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "Disk full";
        default:
            return "I/O error " + std::to_string(systemError);
    }
}

struct ReplacingFile::State {
    std::string target;
    std::string temporary;
    std::wstring wideTarget;
    std::wstring wideTemporary;
    std::string pending;  // the whole file, when a device or a pipe is written in place
    bool exists = false;
    DWORD attributes = 0;  // those of an existing target that the new file keeps
    bool inPlace = false;
    bool committed = false;
    bool finished = false;
    OwnedHandle file;

    ~State() { discard(); }
    void createTemporary();
    void flushAndClose();
    void replaceTarget();
    void discard();
};

ReplacingFile::ReplacingFile(const std::string& path) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.target = path;
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (path.empty()) {
        ThrowFileError(ERROR_PATH_NOT_FOUND);
    }
    // Windows would open the device itself: the bytes would go nowhere and pass for a file.
    if (!wide || IsWindowsDeviceName(path)) {
        ThrowFileError(ERROR_INVALID_NAME);
    }
    s.wideTarget = std::move(*wide);
    DWORD attributes = GetFileAttributesW(s.wideTarget.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            ThrowFileError(error);
        }
        s.createTemporary();
        return;
    }
    // The replace would drop a folder or a read-only file; refuse it as writing into it would.
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        ThrowFileError(ERROR_ACCESS_DENIED);
    }
    s.exists = true;
    s.attributes = attributes & kKeptAttributes;
    // Opening it for writing finds what writing into it would meet: a file another program
    // holds without sharing ("I/O error 32"), no permission. The file stays as it is.
    OwnedHandle existing(OpenExisting(s.wideTarget));
    if (!existing.valid()) {
        ThrowLastError();
    }
    if (GetFileType(existing.get()) == FILE_TYPE_DISK) {
        existing.reset();
        s.createTemporary();
        return;
    }
    s.file.reset(existing.release());
    s.inPlace = true;
}

ReplacingFile::~ReplacingFile() = default;

const std::string& ReplacingFile::targetPath() const {
    return state_->target;
}

const std::string& ReplacingFile::temporaryPath() const {
    return state_->temporary;
}

// Fails ("File access denied") when the folder takes no new file: the target is then never
// written into, whatever its own permissions.
void ReplacingFile::State::createTemporary() {
    size_t nameStart = NameStart(wideTarget);
    std::wstring prefix = wideTarget.substr(0, nameStart) +
                          wideTarget.substr(nameStart, kMaxBaseInTemporary) + L".tmp-";
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::wstring name = prefix + RandomSuffix();
        HANDLE created = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            file.reset(created);
            if (attributes != 0) {
                SetFileAttributesW(name.c_str(), attributes);
            }
            wideTemporary = std::move(name);
            temporary = Utf8FromWide(wideTemporary);
            return;
        }
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            continue;
        }
        ThrowFileError(error);
    }
    ThrowFileError(ERROR_FILE_EXISTS);
}

void ReplacingFile::write(std::string_view bytes) {
    State& s = *state_;
    if (s.inPlace) {
        s.pending.append(bytes);
    } else {
        WriteAll(s.file.get(), bytes);
    }
}

void ReplacingFile::finish() {
    State& s = *state_;
    if (s.finished) {
        return;
    }
    if (s.inPlace) {
        WriteAll(s.file.get(), s.pending);
        std::string().swap(s.pending);
    }
    s.flushAndClose();
    s.finished = true;
}

void ReplacingFile::commit() {
    State& s = *state_;
    finish();
    if (!s.inPlace) {
        s.replaceTarget();
    }
    s.committed = true;
}

void ReplacingFile::State::flushAndClose() {
    // Devices and pipes cannot be flushed to a disk; that is no failure of the file.
    if (!FlushFileBuffers(file.get()) && !inPlace) {
        ThrowLastError();
    }
    if (!CloseHandle(file.release())) {
        ThrowLastError();
    }
}

void ReplacingFile::State::replaceTarget() {
    // MoveFileExW rather than ReplaceFileW: Wine's ReplaceFileW leaves a file of its own behind
    // when the target is held open, and the attributes that matter are copied at creation.
    if (MoveFileExW(wideTemporary.c_str(), wideTarget.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        temporary.clear();
        wideTemporary.clear();
        return;
    }
    // Another program holds the target open (without sharing its removal), or the folder
    // refuses the change: the target stays as it was and the temporary goes.
    ThrowLastError();
}

void ReplacingFile::State::discard() {
    file.reset();
    if (!committed && !wideTemporary.empty()) {
        DeleteFileW(wideTemporary.c_str());
        temporary.clear();
        wideTemporary.clear();
    }
}

}  // namespace plotaktar::platform
