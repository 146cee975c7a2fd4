#include "win/win_text.h"

#include "model/cp1254.h"
#include "platform/wide_text_win32.h"

namespace plotaktar::win {

std::wstring WideFromCp1254(std::string_view bytes, size_t maxChars) {
    const bool cut = bytes.size() > maxChars;
    const std::string_view shown = cut ? bytes.substr(0, maxChars) : bytes;
    std::wstring wide;
    wide.reserve(shown.size() + 1);
    for (char c : shown) {
        wide += static_cast<wchar_t>(Cp1254ToUnicode(static_cast<unsigned char>(c)));
    }
    if (cut) {
        wide += L'\u2026';
    }
    return wide;
}

std::wstring WideFromUtf8(std::string_view utf8) {
    return platform::WideFromUtf8(utf8).value_or(std::wstring());
}

}  // namespace plotaktar::win
