#include "model/message_text.h"

#include "model/cp1254.h"

namespace plotaktar {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the well-formed UTF-8 sequence at the start of `bytes`, 0 when there is none.
size_t SequenceLength(std::string_view bytes) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Walks `text` as UTF-8, handing `plain` each run of characters that need no escape and
// `control` the code point of each control character; a byte outside well-formed UTF-8 is
// decoded from windows-1254 and handed to whichever of the two it belongs to.
template <class Plain, class Control>
void WalkCharacters(std::string_view text, Plain plain, Control control) {
    size_t start = 0;
    auto flush = [&](size_t end) {
        if (end > start) {
            plain(text.substr(start, end - start));
        }
    };
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t length = SequenceLength(text.substr(i));
        if (length == 1 && (b < 0x20 || b == 0x7F)) {
            flush(i);
            control(b);
        } else if (length == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            flush(i);
            control(static_cast<unsigned char>(text[i + 1]));
        } else if (length == 0) {
            flush(i);
            const char16_t decoded = Cp1254ToUnicode(b);
            if (decoded >= 0x80 && decoded <= 0x9F) {
                control(static_cast<unsigned char>(decoded));
            } else {
                plain(Utf8FromCp1254(text.substr(i, 1)));
            }
        } else {
            i += length;
            continue;
        }
        i += length == 0 ? 1 : length;
        start = i;
    }
    flush(text.size());
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = SequenceLength(bytes.substr(i));
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string FileNameText(std::string_view name) {
    return IsUtf8(name) ? std::string(name) : Utf8FromCp1254(name);
}

std::string EscapedText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    WalkCharacters(
        utf8, [&](std::string_view plain) { out += plain; },
        [&](unsigned char code) {
            out += "\\x";
            out += kHex[code >> 4];
            out += kHex[code & 15];
        });
    return out;
}

void AppendJsonString(std::string& json, std::string_view utf8) {
    json += '"';
    WalkCharacters(
        utf8,
        [&](std::string_view plain) {
            // Whole runs at once: a check's report is tens of megabytes of messages.
            for (size_t quote; (quote = plain.find_first_of("\"\\")) != std::string_view::npos;) {
                json.append(plain.substr(0, quote));
                json += '\\';
                json += plain[quote];
                plain.remove_prefix(quote + 1);
            }
            json.append(plain);
        },
        [&](unsigned char code) {
            switch (code) {
                case '\n':
                    json += "\\n";
                    break;
                case '\r':
                    json += "\\r";
                    break;
                case '\t':
                    json += "\\t";
                    break;
                default:
                    json += "\\u00";
                    json += kHex[code >> 4];
                    json += kHex[code & 15];
            }
        });
    json += '"';
}

}  // namespace plotaktar
