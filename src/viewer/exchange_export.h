#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace plotaktar {
struct LoadedDrawing;
}

namespace plotaktar::viewer {

struct DrawingFiles;

// "Dosya ▸ Dışa aktar…": asks for the format (DXF, GeoPackage, Shapefile, GeoJSON, KML), the
// drawing's coordinate system (one of the zones; the choice is remembered) and the file, then
// writes the drawing's records all or nothing on a worker thread behind a progress dialog with
// a cancel button, so that the window keeps painting. A drawing read from a plot file keeps too
// little of its records and is refused with a message. Records left out are listed in the
// closing message. Returns the path written, or the empty text when nothing was.
QString ExportExchange(QWidget* parent, std::shared_ptr<const LoadedDrawing> drawing,
                       const DrawingFiles& files);

}  // namespace plotaktar::viewer
