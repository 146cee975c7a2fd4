#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <string>

#include "drawing/output_writer.h"
#include "render/renderer.h"

namespace plotaktar {

enum class PictureFormat { Png, Svg, Pdf };

// The picture format a file name asks for by its extension (case-insensitive): .png, .svg or
// .pdf. Returns false for any other name.
bool PictureFormatOf(const QString& fileName, PictureFormat& format);

// The bytes of a picture of `view` on white, in `format`. Needs a QGuiApplication.
QByteArray RenderPicture(const Drawing& drawing, const ViewTransform& view,
                         const RenderFilter& filter, PictureFormat format);

// The writer of a picture format (png, svg or pdf of OutputFormats()): a picture of `view` with
// `filter`, written through the platform's replacing file. Needs a QGuiApplication.
class PictureWriter : public OutputWriter {
  public:
    PictureWriter(const OutputFormatInfo& format, const ViewTransform& view,
                  const RenderFilter& filter);
    const OutputFormatInfo& format() const override { return format_; }
    void write(const LoadedDrawing& drawing, const OutputOptions& options,
               const std::string& path) const override;
    // The same for a drawing without what it was read from. `temporaryChanged` hears the path
    // of the temporary file beside `path` while there is one, and the empty text once it is
    // gone.
    void write(const Drawing& drawing, const std::string& path,
               const std::function<void(const std::string&)>& temporaryChanged = {}) const;

  private:
    const OutputFormatInfo& format_;
    PictureFormat picture_;
    ViewTransform view_;
    const RenderFilter& filter_;
};

// Writes the picture to `path` so that the path holds either its old contents or the whole
// new file. Returns an empty text on success, otherwise what went wrong (UTF-8; a file error
// with what it means for the path).
// `temporaryChanged` hears the path of the temporary file beside `path` while there is one,
// and the empty text once it is gone, so that a process ending abnormally can be cleaned up.
std::string SavePicture(const Drawing& drawing, const ViewTransform& view,
                        const RenderFilter& filter, const std::string& path,
                        const std::function<void(const std::string&)>& temporaryChanged = {});

}  // namespace plotaktar
