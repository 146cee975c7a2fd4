#pragma once

#include <QString>
#include <string_view>

#include "model/cp1254.h"

namespace plotaktar {

// The text of windows-1254 bytes (cell texts, layer names, the program's messages) as Qt shows
// it, for the window, the viewer and the renderer alike. Header-only, so that each of them uses
// it without linking another.
inline QString FromCp1254(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char byte : bytes) {
        *out++ = QChar(Cp1254ToUnicode(static_cast<unsigned char>(byte)));
    }
    return text;
}

}  // namespace plotaktar
