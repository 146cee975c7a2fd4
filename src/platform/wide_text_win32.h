// UTF-8 paths and texts of the program to and from the UTF-16 of the Windows calls.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace plotaktar::platform {

// The UTF-16 form of UTF-8 bytes; nothing when the bytes are no valid UTF-8 (no file can have
// such a name on Windows).
inline std::optional<std::wstring> WideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                   static_cast<int>(utf8.size()), nullptr, 0);
    if (size <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), size);
    return wide;
}

// The UTF-8 form of UTF-16 text; an unpaired surrogate becomes U+FFFD.
inline std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

// Owns a handle of the system and closes it.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Gives the handle up without closing it.
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_;
};

}  // namespace plotaktar::platform
