#include "ui/ui_texts.h"

namespace plotaktar {

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

std::string WarningLine(const FileWarning& warning, std::string_view shownName) {
    std::string line(shownName);
    switch (warning.warning) {
        case ImportWarning::NoCarriageReturns:
            line += ": satır başı karakteri (CR) yok, dosya ";
            line += warning.lineCount == 1 ? std::string("tek satır")
                                           : std::to_string(warning.lineCount) + " satır";
            line += " olarak okundu; unix2dos ile dönüştürün";
            break;
        case ImportWarning::NotText:
            line += ": metin biçiminde bir çizim dosyası değil";
            break;
        case ImportWarning::NoRecords:
            line += ": hiç kayıt bulunamadı";
            break;
    }
    return line;
}

std::string ApplicationTitle(std::string_view programPath) {
    std::string_view name = programPath;
    if (size_t slash = name.find_last_of('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (size_t i = 0; i < title.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(title[i]);
        if (i == 0 && c >= 'a' && c <= 'z') {
            title[i] = static_cast<char>(c - 'a' + 'A');
        } else if (i > 0 && c >= 'A' && c <= 'Z') {
            title[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return title;
}

}  // namespace plotaktar
