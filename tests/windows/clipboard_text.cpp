// Prints the clipboard's text as UTF-8, for the window's tests under Wine: what Ctrl+C in the
// window put there. Exit status 1 when the clipboard holds no text.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "platform/wide_text_win32.h"

int main() {
    // The text's own line ends, CR LF, not doubled by the text mode.
    _setmode(_fileno(stdout), _O_BINARY);
    if (!OpenClipboard(nullptr)) {
        return 1;
    }
    int status = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            const std::string utf8 = plotaktar::platform::Utf8FromWide(text);
            std::fwrite(utf8.data(), 1, utf8.size(), stdout);
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}
