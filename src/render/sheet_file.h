#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "render/render_file.h"
#include "render/sheet_painter.h"

namespace plotaktar {

// The files the pages of a sheet picture go to: a PDF holds every page, and so does a single
// page's file; otherwise each page has its own, NAME-0.EXT the index, NAME-1.EXT, ... the sheets.
std::vector<std::string> SheetFileNames(const std::string& path, PictureFormat format, int pages);

// Why `path` cannot take these sheets of a file a page: it, or the name of one of its pages, is
// a device, a pipe or a socket ("is a device; sheets of several pages can only be written to
// files", "its page out-1.png is a pipe; ..."). Empty when it can.
std::string SheetTargetRefusal(const std::string& path, PictureFormat format, int pages);

// The pixels a millimetre of a PNG sheet at `dpi`.
inline double PixelsPerMm(int dpi) {
    return dpi / 25.4;
}

// Writes the pages of `plan` to the files SheetFileNames gives: PDF (vector, one page a sheet,
// fonts embedded), SVG in millimetres, or PNG at `dpi`. All or nothing: every file goes to a
// temporary beside it, and only once all are complete are they put in place. `temporaryChanged`
// hears each temporary's path as it is made and the empty text once they are gone;
// `pageDone` hears each page as it is finished. Returns false, with nothing written, when
// `cancel` became true. Throws Error (FileError for a file's own failures) with nothing written.
bool WriteSheets(const Drawing& drawing, const SheetPlan& plan, const SheetTexts& texts,
                 const RenderFilter& filter, PictureFormat format, int dpi, const std::string& path,
                 const std::function<void(const std::string&)>& temporaryChanged = {},
                 const std::atomic<bool>* cancel = nullptr,
                 const std::function<void(int)>& pageDone = {});

}  // namespace plotaktar
