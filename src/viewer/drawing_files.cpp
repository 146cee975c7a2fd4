#include "viewer/drawing_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "drawing/drawing_loader.h"
#include "model/file_names.h"

namespace plotaktar::viewer {

namespace {

bool HasSuffix(const QString& path, const char* suffix) {
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QStringList DrawingFiles::watched() const {
    QStringList files{main};
    if (!labels.isEmpty()) {
        files << labels << QFile::decodeName(CompanionFileBeside(Native(labels)).c_str());
    }
    return files;
}

DrawingFiles FilesFor(const QStringList& paths) {
    DrawingFiles files;
    for (const QString& path : paths) {
        if (files.main.isEmpty() && !HasSuffix(path, "yaz") && !HasSuffix(path, "yfn")) {
            files.main = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        } else if (files.labels.isEmpty() && HasSuffix(path, "yaz")) {
            files.labels = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        }
    }
    if (files.main.isEmpty()) {
        return {};
    }
    if (IsPlotFilePath(Native(files.main))) {
        files.labels.clear();
    } else if (files.labels.isEmpty()) {
        std::vector<std::string> several;
        files.labels = QFile::decodeName(LabelFileBeside(Native(files.main), &several).c_str());
        for (const std::string& path : several) {
            files.labelsDifferingInCase << QFileInfo(QFile::decodeName(path.c_str())).fileName();
        }
        files.labelsDifferingInCase.sort();
    }
    return files;
}

}  // namespace plotaktar::viewer
