#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory_files.h"
#include "platform/read_to_end.h"
#include "platform/test_hook.h"
#include "platform/wide_text_win32.h"

namespace plotaktar::platform {

namespace {

// The most one ReadFile call is asked for (its count is 32 bits).
constexpr DWORD kMaxRead = 1u << 30;

// Opens an existing file for reading, shared with every other reader and writer. A directory
// does not open this way, and opening never waits.
HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool IsDirectory(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opens `path` as an input file: a disk file, open for reading. Returns its handle, or an
// invalid one with `failure` saying why.
HANDLE OpenInput(const std::string& path, OpenFailure& failure) {
    using Kind = OpenFailure::Kind;
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        failure = {Kind::NoSuchFile, "No such file or directory"};
        return INVALID_HANDLE_VALUE;
    }
    OwnedHandle file(OpenForReading(*wide));
    if (!file.valid()) {
        DWORD error = GetLastError();
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_PATHNAME:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
                failure = {Kind::NoSuchFile, "No such file or directory"};
                break;
            case ERROR_ACCESS_DENIED:
                failure = IsDirectory(*wide) ? OpenFailure{Kind::Folder, "Is a directory"}
                                             : OpenFailure{Kind::AccessDenied, "Permission denied"};
                break;
            default:
                failure = {Kind::Unreadable, "I/O error " + std::to_string(error)};
                break;
        }
        return INVALID_HANDLE_VALUE;
    }
    // Consoles, pipes and devices (CON, NUL, COM1, ...) are no disk files.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        failure = {Kind::Unreadable, "not a regular file"};
        return INVALID_HANDLE_VALUE;
    }
    return file.release();
}

// The volume, file index, size and times of what `path` names (folders included), read without
// asking for any access to it. False when nothing can be opened there.
bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        return false;
    }
    OwnedHandle file(CreateFileW(wide->c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && GetFileInformationByHandle(file.get(), &info);
}

}  // namespace

std::optional<SharedBytes> ReadRegularFile(const std::string& path, OpenFailure* failure) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->read(path, failure);
    }
    OpenFailure why;
    OwnedHandle file(OpenInput(path, why));
    if (!file.valid()) {
        if (failure != nullptr) {
            *failure = std::move(why);
        }
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION before{};
    if (!GetFileInformationByHandle(file.get(), &before)) {
        throw InputReadError(path, "cannot be read");
    }
    const uint64_t size = (uint64_t{before.nFileSizeHigh} << 32) | before.nFileSizeLow;
    TestHookAt("input-opened");
    std::optional<SharedBytes> bytes =
        ReadToEnd(static_cast<size_t>(size), [&](char* into, size_t room) {
            DWORD got = 0;
            if (!ReadFile(file.get(), into, room > kMaxRead ? kMaxRead : static_cast<DWORD>(room),
                          &got, nullptr)) {
                return static_cast<long long>(-1);
            }
            return static_cast<long long>(got);
        });
    if (!bytes) {
        throw InputReadError(path, "cannot be read to its end");
    }
    // Another program writing the file meanwhile shows in the bytes read against the size, or
    // in the open file's size and last write time; a file renamed over the path in another
    // file index there.
    BY_HANDLE_FILE_INFORMATION after{};
    BY_HANDLE_FILE_INFORMATION atPath{};
    if ((*bytes)->size() != size || !GetFileInformationByHandle(file.get(), &after) ||
        after.nFileSizeHigh != before.nFileSizeHigh || after.nFileSizeLow != before.nFileSizeLow ||
        after.ftLastWriteTime.dwLowDateTime != before.ftLastWriteTime.dwLowDateTime ||
        after.ftLastWriteTime.dwHighDateTime != before.ftLastWriteTime.dwHighDateTime ||
        !IdentityOf(path, atPath) || atPath.dwVolumeSerialNumber != before.dwVolumeSerialNumber ||
        atPath.nFileIndexHigh != before.nFileIndexHigh ||
        atPath.nFileIndexLow != before.nFileIndexLow) {
        throw InputReadError(path, kChangedWhileReadCause);
    }
    return bytes;
}

std::string UnreadableCause(const std::string& path) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->unreadableCause(path);
    }
    OpenFailure why;
    OwnedHandle file(OpenInput(path, why));
    return file.valid() ? std::string() : why.cause;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION infoA{};
    BY_HANDLE_FILE_INFORMATION infoB{};
    return IdentityOf(a, infoA) && IdentityOf(b, infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

std::FILE* OpenForWriting(const std::string& path) {
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(wide->c_str(), L"wb");
}

bool IsExistingNonRegularFile(const std::string& path) {
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide || IsWindowsDeviceName(path)) {
        return false;
    }
    return GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES && IsDirectory(*wide);
}

bool IsWindowsDeviceName(std::string_view path) {
    const size_t slash = path.find_last_of(kPathSeparators);
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && (name.back() == ' ' || name.back() == ':')) {
        name.remove_suffix(1);
    }
    std::string upper;
    for (char c : name) {
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "CONIN$" ||
        upper == "CONOUT$") {
        return true;
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
           upper[3] >= '1' && upper[3] <= '9';
}

std::string WriteFailureCause(int systemError, const std::string& path) {
    if (IsWindowsDeviceName(path)) {
        return "a device name of Windows, not a file name";
    }
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (wide && IsDirectory(*wide)) {
        return "is a directory, not a file";
    }
    switch (static_cast<DWORD>(systemError)) {
        case ERROR_PATH_NOT_FOUND: {
            const size_t slash = path.find_last_of(kPathSeparators);
            if (slash != std::string::npos) {
                return "the folder " + path.substr(0, slash + 1) + " does not exist";
            }
            break;
        }
        case ERROR_NO_DATA:
        case ERROR_BROKEN_PIPE:
            return "the program reading the output closed it before the end";
        default:
            break;
    }
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(systemError), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string cause;
    if (length > 0 && text != nullptr) {
        std::wstring wideCause(text, length);
        while (!wideCause.empty() && (wideCause.back() == L'\n' || wideCause.back() == L'\r' ||
                                      wideCause.back() == L'.')) {
            wideCause.pop_back();
        }
        cause = Utf8FromWide(wideCause);
    }
    LocalFree(text);
    return cause.empty() ? "system error " + std::to_string(systemError) : cause;
}

namespace {

// "NUL" (with any extension, in any case), the device that discards, or a path in the device
// namespace (\\.\pipe\NAME, \\.\COM1).
std::string WindowsDeviceKind(std::string_view path) {
    if (path.starts_with("\\\\.\\") || path.starts_with("//./")) {
        const std::string_view rest = path.substr(4);
        const bool pipe = rest.size() > 5 &&
                          (rest.substr(0, 4) == "pipe" || rest.substr(0, 4) == "PIPE") &&
                          (rest[4] == '\\' || rest[4] == '/');
        return pipe ? "a pipe" : "a device";
    }
    const size_t slash = path.find_last_of(kPathSeparators);
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.size() == 3 && (name[0] | 0x20) == 'n' && (name[1] | 0x20) == 'u' &&
        (name[2] | 0x20) == 'l') {
        return "a device";
    }
    return {};
}

}  // namespace

std::string NonFileKind(const std::string& path) {
    return WindowsDeviceKind(path);
}

std::string FolderRefusal(int, const std::string&) {
    return {};
}

bool IsExistingRegularFile(const std::string& path) {
    if (!WindowsDeviceKind(path).empty() || IsWindowsDeviceName(path)) {
        return false;
    }
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace plotaktar::platform
