#include "render/render_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <optional>

#include "model/cp1254.h"
#include "model/errors.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "render/pdf_deflate.h"
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

// An SVG goes to its file while it is painted, so that its size in memory does not grow with
// the drawing. A write error stops the writing and is thrown once the painter has ended.
void StreamSvg(const Drawing& drawing, const ViewTransform& view, const RenderFilter& filter,
               platform::ReplacingFile& file) {
    std::optional<FileError> failed;
    {
        SvgStream svg(view.width, view.height, [&](std::string_view piece) {
            if (failed) {
                return;
            }
            try {
                file.write(piece);
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
            const FastPdfStreams fast;
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

PictureWriter::PictureWriter(const OutputFormatInfo& format, const ViewTransform& view,
                             const RenderFilter& filter)
    : format_(format), picture_(PictureFormat::Png), view_(view), filter_(filter) {
    PictureFormatOf(
        QStringLiteral("picture.") + QString::fromUtf8(format.name.data(), format.name.size()),
        picture_);
}

void PictureWriter::write(const LoadedDrawing& drawing, const OutputOptions&,
                          const std::string& path) const {
    write(drawing.drawing, path);
}

void PictureWriter::write(const Drawing& drawing, const std::string& path,
                          const std::function<void(const std::string&)>& temporaryChanged) const {
    auto tell = [&](const std::string& temporary) {
        if (temporaryChanged) {
            temporaryChanged(temporary);
        }
    };
    // A PNG or PDF is made whole before its file is opened; an SVG is written while it is
    // painted.
    QByteArray bytes;
    if (picture_ != PictureFormat::Svg) {
        bytes = RenderPicture(drawing, view_, filter_, picture_);
        if (bytes.isEmpty()) {
            throw Error("the picture could not be made");
        }
    }
    try {
        platform::ReplacingFile file(path);
        tell(file.temporaryPath());
        if (picture_ == PictureFormat::Svg) {
            StreamSvg(drawing, view_, filter_, file);
        } else {
            file.write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        }
        file.commit();
    } catch (...) {
        tell({});
        throw;
    }
    tell({});
}

std::string SavePicture(const Drawing& drawing, const ViewTransform& view,
                        const RenderFilter& filter, const std::string& path,
                        const std::function<void(const std::string&)>& temporaryChanged) {
    const OutputFormatInfo* format = OutputFormatForPath(path);
    if (format == nullptr || format->program != kRenderProgram) {
        return "the file name must end in " + ExtensionsWrittenBy(kRenderProgram);
    }
    try {
        PictureWriter(*format, view, filter).write(drawing, path, temporaryChanged);
    } catch (const FileError& e) {
        // What the error means for this path.
        return platform::WriteFailureText(Utf8FromCp1254(e.message()), e.errorNumber(), path);
    } catch (const Error& e) {
        return Utf8FromCp1254(e.message());
    }
    return {};
}

}  // namespace plotaktar
