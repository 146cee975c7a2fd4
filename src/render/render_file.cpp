#include "render/render_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "model/cp1254.h"
#include "model/errors.h"
#include "platform/replacing_file.h"

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
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(view.width, view.height));
            svg.setViewBox(QRect(0, 0, view.width, view.height));
            svg.setTitle(QStringLiteral("plotaktar"));
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

void PictureWriter::write(const Drawing& drawing, const std::string& path) const {
    const QByteArray bytes = RenderPicture(drawing, view_, filter_, picture_);
    if (bytes.isEmpty()) {
        throw Error("the picture could not be made");
    }
    platform::ReplacingFile file(path);
    file.write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    file.commit();
}

std::string SavePicture(const Drawing& drawing, const ViewTransform& view,
                        const RenderFilter& filter, const std::string& path) {
    const OutputFormatInfo* format = OutputFormatForPath(path);
    if (format == nullptr || format->program != kRenderProgram) {
        return "the file name must end in " + ExtensionsWrittenBy(kRenderProgram);
    }
    try {
        PictureWriter(*format, view, filter).write(drawing, path);
    } catch (const Error& e) {
        return Utf8FromCp1254(e.message());
    }
    return {};
}

}  // namespace plotaktar
