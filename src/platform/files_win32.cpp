#include <cerrno>
#include <cstdio>

#include "model/text.h"
#include "platform/files.h"
#include "platform/memory_files.h"
#include "platform/read_to_end.h"
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

}  // namespace

std::optional<SharedBytes> ReadRegularFile(const std::string& path) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->read(path);
    }
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        return std::nullopt;
    }
    OwnedHandle file(OpenForReading(*wide));
    // Consoles, pipes and devices (CON, NUL, COM1, ...) are no disk files.
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        size.QuadPart = 0;
    }
    return ReadToEnd(static_cast<size_t>(size.QuadPart), [&](char* into, size_t room) {
        DWORD got = 0;
        if (!ReadFile(file.get(), into, room > kMaxRead ? kMaxRead : static_cast<DWORD>(room), &got,
                      nullptr)) {
            return static_cast<long long>(-1);
        }
        return static_cast<long long>(got);
    });
}

std::string UnreadableCause(const std::string& path) {
    if (const MemoryFiles* memory = MemoryFiles::active()) {
        return memory->unreadableCause(path);
    }
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        return "No such file or directory";
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
                return "No such file or directory";
            case ERROR_ACCESS_DENIED:
                return IsDirectory(*wide) ? "Is a directory" : "Permission denied";
            default:
                return "I/O error " + IntToStr(static_cast<int64_t>(error));
        }
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return "not a regular file";
    }
    return {};
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        std::optional<std::wstring> wide = WideFromUtf8(path);
        if (!wide) {
            return false;
        }
        // No access asked for: only the file's identity is read, folders included.
        OwnedHandle file(CreateFileW(wide->c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file.valid() && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION infoA{};
    BY_HANDLE_FILE_INFORMATION infoB{};
    return identity(a, infoA) && identity(b, infoB) &&
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

}  // namespace plotaktar::platform
