#include "render/render_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <optional>

#include "export/plot_file.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "platform/files.h"
#include "render/svg_stream.h"

namespace plotaktar {

bool PictureFormatOf(const QString& fileName, PictureFormat& format) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        format = PictureFormat::Png;
    } else if (suffix == QLatin1String("svg")) {
        format = PictureFormat::Svg;
    } else if (suffix == QLatin1String("pdf")) {
        format = PictureFormat::Pdf;
    } else {
        return false;
    }
    return true;
}

namespace {

void PaintOnWhite(QPainter& painter, const Drawing& drawing, const ViewTransform& view,
                  const RenderFilter& filter) {
    painter.fillRect(QRectF(0, 0, view.width, view.height), Qt::white);
    RenderDrawing(painter, drawing, view, filter);
    painter.end();
}

// Writes `path` with what `fill` writes, through a temporary beside it that `tell` hears of.
// Returns an empty text on success, otherwise what went wrong (UTF-8); a file error says what it
// means for the path.
std::string WriteReplacing(const std::string& path,
                           const std::function<void(const std::string&)>& tell,
                           const std::function<void(PlotFileOutput&)>& fill) {
    try {
        PlotFileOutput output(path);
        tell(output.temporaryPath());
        fill(output);
        output.commit();
    } catch (const FileError& e) {
        tell({});
        return Utf8FromCp1254(e.message()) + " (" +
               platform::WriteFailureCause(e.errorNumber(), path) + ")";
    } catch (const Error& e) {
        tell({});
        return Utf8FromCp1254(e.message());
    }
    tell({});
    return {};
}

// An SVG goes to its file while it is painted, so that its size in memory does not grow with
// the drawing. A write error stops the writing and is thrown once the painter has ended.
void StreamSvg(const Drawing& drawing, const ViewTransform& view, const RenderFilter& filter,
               PlotFileOutput& output) {
    std::optional<FileError> failed;
    {
        SvgStream svg(view.width, view.height, [&](std::string_view piece) {
            if (failed) {
                return;
            }
            try {
                output.write(piece);
            } catch (const FileError& e) {
                failed = e;
            }
        });
        QPainter painter(&svg);
        PaintOnWhite(painter, drawing, view, filter);
    }
    if (failed) {
        throw *failed;
    }
}

}  // namespace

QByteArray RenderPicture(const Drawing& drawing, const ViewTransform& view,
                         const RenderFilter& filter, PictureFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
        case PictureFormat::Png: {
            QImage image(view.width, view.height, QImage::Format_ARGB32_Premultiplied);
            if (image.isNull()) {
                throw std::bad_alloc();
            }
            QPainter painter(&image);
            PaintOnWhite(painter, drawing, view, filter);
            // Light compression: a dense drawing spends far longer in zlib's best effort than
            // in being drawn, for files hardly smaller.
            image.save(&buffer, "PNG", 80);
            break;
        }
        case PictureFormat::Svg: {
            SvgStream svg(view.width, view.height, [&](std::string_view piece) {
                bytes.append(piece.data(), static_cast<qsizetype>(piece.size()));
            });
            QPainter painter(&svg);
            PaintOnWhite(painter, drawing, view, filter);
            break;
        }
        case PictureFormat::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setResolution(72);
            pdf.setPageSize(QPageSize(QSizeF(view.width, view.height), QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setCreator(QStringLiteral("plotaktar"));
            QPainter painter(&pdf);
            PaintOnWhite(painter, drawing, view, filter);
            break;
        }
    }
    return bytes;
}

std::string SavePicture(const Drawing& drawing, const ViewTransform& view,
                        const RenderFilter& filter, const std::string& path,
                        const std::function<void(const std::string&)>& temporaryChanged) {
    PictureFormat format;
    if (!PictureFormatOf(QString::fromStdString(path), format)) {
        return "the file name must end in .png, .svg or .pdf";
    }
    auto tell = [&](const std::string& temporary) {
        if (temporaryChanged) {
            temporaryChanged(temporary);
        }
    };
    if (format == PictureFormat::Svg) {
        return WriteReplacing(
            path, tell, [&](PlotFileOutput& output) { StreamSvg(drawing, view, filter, output); });
    }
    const QByteArray bytes = RenderPicture(drawing, view, filter, format);
    if (bytes.isEmpty()) {
        return "the picture could not be made";
    }
    return WriteReplacing(path, tell, [&](PlotFileOutput& output) {
        output.write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    });
}

}  // namespace plotaktar
