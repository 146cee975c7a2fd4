#pragma once

#include <QByteArray>
#include <QString>

#include "render/renderer.h"

namespace plotaktar {

enum class PictureFormat { Png, Svg, Pdf };

// The picture format a file name asks for by its extension (case-insensitive): .png, .svg or
// .pdf. Returns false for any other name.
bool PictureFormatOf(const QString& fileName, PictureFormat& format);

// The bytes of a picture of `view` on white, in `format`. Needs a QGuiApplication.
QByteArray RenderPicture(const Drawing& drawing, const ViewTransform& view,
                         const RenderFilter& filter, PictureFormat format);

// Writes the picture to `path` so that the path holds either its old contents or the whole
// new file. Returns an empty text on success, otherwise what went wrong (UTF-8).
std::string SavePicture(const Drawing& drawing, const ViewTransform& view,
                        const RenderFilter& filter, const std::string& path);

}  // namespace plotaktar
