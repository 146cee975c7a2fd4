#include "model/cp1254.h"

#include <array>

namespace plotaktar {

namespace {

constexpr std::array<char16_t, 32> kHigh80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int EncodeOne(char32_t cp) {
    if (cp < 0x80) {
        return static_cast<int>(cp);
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (Cp1254ToUnicode(static_cast<unsigned char>(b)) == cp) {
            return b;
        }
    }
    return '?';
}

}  // namespace

char16_t Cp1254ToUnicode(unsigned char byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte < 0xA0) {
        return kHigh80[byte - 0x80];
    }
    switch (byte) {
        case 0xD0:
            return 0x011E;  // Ğ
        case 0xDD:
            return 0x0130;  // İ
        case 0xDE:
            return 0x015E;  // Ş
        case 0xF0:
            return 0x011F;  // ğ
        case 0xFD:
            return 0x0131;  // ı
        case 0xFE:
            return 0x015F;  // ş
        default:
            return byte;
    }
}

std::string Utf8FromCp1254(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        AppendUtf8(out, Cp1254ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Cp1254FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = c;
        size_t extra = 0;
        if (c >= 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        }
        ++i;
        for (size_t k = 0; k < extra && i < utf8.size(); ++k, ++i) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        }
        out += static_cast<char>(EncodeOne(cp));
    }
    return out;
}

}  // namespace plotaktar
