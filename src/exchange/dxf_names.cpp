#include "exchange/dxf_names.h"

namespace plotaktar {

namespace {

// The windows-1254 Turkish capitals and their small letters.
constexpr std::pair<unsigned char, unsigned char> kTurkishPairs[] = {
    {0xC7, 0xE7},  // Ç ç
    {0xD0, 0xF0},  // Ğ ğ
    {0xD6, 0xF6},  // Ö ö
    {0xDE, 0xFE},  // Ş ş
    {0xDC, 0xFC},  // Ü ü
};
constexpr unsigned char kDotlessI = 0xFD;  // ı
constexpr unsigned char kDottedI = 0xDD;   // İ

}  // namespace

std::string FoldedDxfName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 'I' || b == kDotlessI || b == kDottedI) {
            c = 'i';
        } else if (b >= 'A' && b <= 'Z') {
            c = static_cast<char>(b - 'A' + 'a');
        } else {
            for (const auto& [capital, small] : kTurkishPairs) {
                if (b == capital) {
                    c = static_cast<char>(small);
                }
            }
        }
    }
    return folded;
}

std::string CleanDxfName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 ||
            std::string_view("<>/\\\":;?*|=`,").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return out.empty() ? "_" : out;
}

DxfNameTable::DxfNameTable(std::initializer_list<std::string_view> reserved) {
    for (std::string_view name : reserved) {
        taken_.insert(FoldedDxfName(name));
    }
}

DxfNameTable::Written DxfNameTable::add(std::string_view name) {
    Written written{CleanDxfName(name), false};
    if (!taken_.insert(FoldedDxfName(written.name)).second) {
        written.renamed = true;
        const std::string base = written.name;
        for (int suffix = 2;; ++suffix) {
            written.name = base + "~" + std::to_string(suffix);
            if (taken_.insert(FoldedDxfName(written.name)).second) {
                break;
            }
        }
    }
    return written;
}

}  // namespace plotaktar
