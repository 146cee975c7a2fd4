#pragma once

// The writers of the exchange formats (DXF, GeoPackage, Shapefile, GeoJSON, KML): each an
// OutputWriter of its own that writes the features of an import (ExportFeatures), placed in the
// coordinate system asked for. DXF is our own writer and needs no GDAL (the Windows
// command-line tool writes it); the GIS formats are in src/gis/. Used by plotaktar-export, the
// viewer and, for DXF, the Windows plotaktar-cli.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing/output_writer.h"
#include "exchange/coordinate_step.h"
#include "exchange/export_features.h"
#include "platform/error.h"

namespace plotaktar {

struct ExportSettings {
    int sourceEpsg = 0;  // the drawing's coordinate system; 0 when not named
    int targetEpsg = 0;  // the one to write in; 0: the drawing's
    PointNumbers pointNumbers = PointNumbers::Attrib;  // DXF's
    // How positions are placed in the system written; empty: as the drawing has them, which
    // takes no other system than the drawing's. The GIS writers always use PROJ's.
    CoordinateStepMaker coordinates;
    // Called now and then with the rows done of all; false cancels (the export then throws
    // ExportCancelled and leaves every target as it was).
    std::function<bool(uint64_t done, uint64_t total)> progress;
};

struct ExportResult {
    ExportCounts counts;
    std::vector<FeatureNote> notes;     // in the order of the tables' rows
    std::vector<std::string> warnings;  // about the files as a whole, UTF-8
    std::vector<std::string> files;     // the files written
    int writtenEpsg = 0;                // the system the files are in; 0 when none is known
};

class ExportCancelled : public Error {
  public:
    ExportCancelled() : Error("export cancelled") {}
};

class ExchangeWriter : public OutputWriter {
  public:
    // Writes the loaded kinds of `workspace` to `path` all or nothing: the files hold their
    // old contents (or do not exist) unless every one was written completely. Throws Error
    // (FileError for a file's own failure) naming the cause.
    ExportResult exportWorkspace(const Workspace& workspace, const ExportSettings& settings,
                                 const std::string& path) const;

    // Why `path` cannot take this format ("is a device; Shapefile output can only be written
    // to files"): a device, a pipe or a socket for a format that does not stream. Empty when it
    // can.
    std::string targetRefusal(const std::string& path) const;

    // OutputWriter: the workspace of the loaded drawing, in options.coordinateSystem.
    void write(const LoadedDrawing& drawing, const OutputOptions& options,
               const std::string& path) const override;

    // The system a format always writes in (WGS 84 for GeoJSON and KML); 0 for none.
    virtual int fixedTarget() const { return 0; }

  protected:
    // The step from the drawing's system into `targetEpsg`: the settings' maker, or the
    // positions handed on.
    virtual std::unique_ptr<CoordinateStep> coordinateStep(const ExportSettings& settings,
                                                           int targetEpsg) const;

    // Writes the features; `progress(done)` false means stop and throw ExportCancelled.
    // Returns the files written.
    virtual std::vector<std::string> writeFeatures(
        ExportFeatures& features, const CoordinateStep& systems, const ExportSettings& settings,
        const std::string& path, const std::function<bool(uint64_t)>& progress) const = 0;
};

// The writer of an exchange format that needs no GDAL by its descriptor's name ("dxf"); null
// for any other (the GIS formats: GisExchangeWriterFor).
const ExchangeWriter* ExchangeWriterFor(std::string_view formatName);

// Our own DXF writer.
const ExchangeWriter& DxfExchangeWriter();

}  // namespace plotaktar
