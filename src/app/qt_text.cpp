#include "app/qt_text.h"

#include <QCoreApplication>
#include <QFile>

#include "model/cp1254.h"
#include "model/text.h"

namespace plotaktar::app {

QString FromCp1254(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char byte : bytes) {
        *out++ = QChar(Cp1254ToUnicode(static_cast<unsigned char>(byte)));
    }
    return text;
}

QString ApplicationTitleText() {
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationFilePath());
    return QFile::decodeName(QByteArray::fromStdString(
        ApplicationTitle(std::string_view(path.constData(), static_cast<size_t>(path.size())))));
}

}  // namespace plotaktar::app
