#include "viewer/picture_export.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "render/render_file.h"
#include "viewer/drawing_canvas.h"
#include "viewer/drawing_files.h"
#include "viewer/output_guard.h"
#include "viewer/system_texts.h"

namespace plotaktar::viewer {

QString ExportPicture(QWidget* parent, const DrawingCanvas& canvas, const DrawingFiles& files,
                      bool wholeDrawing) {
    const QString& drawingPath = files.main;
    const auto& drawing = canvas.drawing();
    if (!drawing) {
        return {};
    }
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        parent,
        wholeDrawing ? QStringLiteral("Bütün çizimi dışa aktar")
                     : QStringLiteral("Görünümü dışa aktar"),
        QFileInfo(drawingPath).absolutePath() + '/' + QFileInfo(drawingPath).completeBaseName() +
            QStringLiteral(".png"),
        QStringLiteral("PNG resmi (*.png);;SVG çizimi (*.svg);;PDF belgesi (*.pdf)"), &selected);
    if (path.isEmpty()) {
        return {};
    }
    PictureFormat format;
    if (!PictureFormatOf(path, format)) {
        path += selected.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
                : selected.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                                                          : QStringLiteral(".png");
    }
    if (WritesOverDrawing(parent, files, {Native(path)})) {
        return {};
    }
    ViewTransform view = canvas.view();
    if (wholeDrawing) {
        view = ViewTransform::fit(drawing->drawing.extent(), 1600, 1000, 32);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string problem = SavePicture(drawing->drawing, view, canvas.filter(), Native(path));
    QApplication::restoreOverrideCursor();
    if (!problem.empty()) {
        QMessageBox::warning(parent, QStringLiteral("plotaktar-view"),
                             QStringLiteral("%1 yazılamadı: %2")
                                 .arg(QDir::toNativeSeparators(path),
                                      TurkishCause(QString::fromStdString(problem))));
        return {};
    }
    return path;
}

}  // namespace plotaktar::viewer
