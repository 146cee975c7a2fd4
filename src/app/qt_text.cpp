#include "app/qt_text.h"
#include "ui/ui_texts.h"

#include <QCoreApplication>
#include <QFile>

#include "model/text.h"

namespace plotaktar::app {

QString ApplicationTitleText() {
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationFilePath());
    return QFile::decodeName(QByteArray::fromStdString(
        ApplicationTitle(std::string_view(path.constData(), static_cast<size_t>(path.size())))));
}

}  // namespace plotaktar::app
