#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace plotaktar {
struct CrsName;
struct LoadedDrawing;
struct OutputFormatInfo;
}  // namespace plotaktar

namespace plotaktar::viewer {

struct DrawingFiles;

// An export format as the dialog and its messages name it, in Turkish ("DXF çizimi").
QString FormatName(const OutputFormatInfo& format);

// A coordinate system as the dialog offers it, in Turkish: its short name, datum, projection,
// zone and central meridian ("TM30 — TUREF / TM30 (3° dilim, orta meridyen 30° D) (EPSG:5254)").
QString SystemName(const CrsName& system);

// "Dosya ▸ Dışa aktar…": asks for the format (DXF, GeoPackage, Shapefile, GeoJSON, KML), the
// drawing's coordinate system (one of the zones; the choice is remembered) and the file, then
// writes the drawing's records all or nothing on a worker thread behind a progress dialog with
// a cancel button, so that the window keeps painting. A drawing read from a plot file keeps too
// little of its records and is refused with a message. Records left out are listed in the
// closing message. Returns the path written, or the empty text when nothing was.
QString ExportExchange(QWidget* parent, std::shared_ptr<const LoadedDrawing> drawing,
                       const DrawingFiles& files);

}  // namespace plotaktar::viewer
