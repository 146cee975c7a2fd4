#include "ui/ui_texts.h"

#include "model/message_text.h"

namespace plotaktar {

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

namespace {

// Why a file cannot be opened, as the window's warning box says it.
std::string OpenFailureText(const platform::OpenFailure& failure) {
    switch (failure.kind) {
        case platform::OpenFailure::Kind::NoSuchFile:
            return "böyle bir dosya yok";
        case platform::OpenFailure::Kind::AccessDenied:
            return "erişim izni yok";
        case platform::OpenFailure::Kind::Folder:
            return "bir klasör";
        case platform::OpenFailure::Kind::Unreadable:
            break;
    }
    return "okunamadı";
}

}  // namespace

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
        case ImportWarning::GeometryCannotBeOpened:
            line +=
                ": açılamadı (" + OpenFailureText(warning.openFailure) + "); hiçbir dosya okunmadı";
            break;
        case ImportWarning::LabelsCannotBeOpened:
            line += ": açılamadı (" + OpenFailureText(warning.openFailure) + "); yazılar okunmadı";
            break;
        case ImportWarning::LooksLikeUtf8:
            line += ": UTF-8 gibi görünüyor; dosyalar windows-1254 olmalı";
            break;
        case ImportWarning::SeveralCompanions: {
            line += ": adı büyük/küçük harf farkıyla aynı olan " +
                    std::to_string(warning.matches.size()) + " dosya var (";
            for (size_t i = 0; i < warning.matches.size(); ++i) {
                const std::string& path = warning.matches[i];
                line += i == 0 ? "" : ", ";
                line += FileNameText(path.substr(path.find_last_of("/\\") + 1));
            }
            line += "); hiçbiri okunmadı";
            break;
        }
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
