#include <windows.h>

#include "platform/file_identity.h"
#include "platform/wide_text_win32.h"

namespace plotaktar::platform {

std::optional<FileIdentity> FileIdentityOf(const std::string& path) {
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide) {
        return std::nullopt;
    }
    // No access asked for: only the file's identity is read, folders included, and a file
    // another program holds open without sharing is still found.
    OwnedHandle file(CreateFileW(wide->c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace plotaktar::platform
