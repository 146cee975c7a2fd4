#include "exchange/exchange_writer.h"

#include "model/crs_names.h"
#include "model/output_files.h"

namespace plotaktar {

const ExchangeWriter* ExchangeWriterFor(std::string_view formatName) {
    const ExchangeWriter& dxf = DxfExchangeWriter();
    return dxf.format().name == formatName ? &dxf : nullptr;
}

std::unique_ptr<CoordinateStep> ExchangeWriter::coordinateStep(const ExportSettings& settings,
                                                               int targetEpsg) const {
    if (settings.coordinates) {
        return settings.coordinates(settings.sourceEpsg, targetEpsg);
    }
    return std::make_unique<PassThroughStep>(settings.sourceEpsg, targetEpsg);
}

std::string ExchangeWriter::targetRefusal(const std::string& path) const {
    if (format().streams) {
        return {};
    }
    const std::string what = std::string(format().description) + " output";
    if (std::string refusal = NonFileRefusal(what, path); !refusal.empty()) {
        return refusal;
    }
    // A set's files are renamed into place, which would put a plain file where a pipe or a
    // link to a device was.
    for (const std::string& file : FilesWritten(format(), path)) {
        if (std::string refusal = NonFileRefusal(what, file); !refusal.empty()) {
            return "its file " + file + " " + refusal;
        }
    }
    return {};
}

ExportResult ExchangeWriter::exportWorkspace(const Workspace& workspace,
                                             const ExportSettings& settings,
                                             const std::string& path) const {
    SurveyModel model(workspace);
    return exportModel(model, settings, path);
}

ExportResult ExchangeWriter::exportModel(SurveyModel& model, const ExportSettings& settings,
                                         const std::string& path) const {
    if (const std::string refusal = targetRefusal(path); !refusal.empty()) {
        throw Error(refusal);
    }
    int target = fixedTarget() != 0 ? fixedTarget() : settings.targetEpsg;
    if (format().needsCoordinateSystem && settings.sourceEpsg == 0) {
        throw Error(std::string(format().description) +
                    " is always in WGS 84 longitude and latitude: name the drawing's coordinate "
                    "system with --crs");
    }
    if (settings.sourceEpsg == 0 && target != 0) {
        throw Error("--to needs the drawing's coordinate system named with --crs");
    }
    const std::unique_ptr<CoordinateStep> step = coordinateStep(settings, target);
    const CoordinateStep& systems = *step;
    ExportFeatures features(model, &systems);
    const uint64_t total = features.rowCount();
    const std::function<bool(uint64_t)> progress = [&](uint64_t done) {
        return !settings.progress || settings.progress(done, total);
    };
    ExportResult result;
    result.files = writeFeatures(features, systems, settings, path, progress);
    result.counts = features.counts();
    result.notes = features.notes();
    result.warnings = features.warnings();
    result.writtenEpsg = systems.targetEpsg();
    return result;
}

void ExchangeWriter::write(const LoadedDrawing& drawing, const OutputOptions& options,
                           const std::string& path) const {
    if (!drawing.workspace && !drawing.plotBytes) {
        throw Error("no drawing to export");
    }
    ExportSettings settings;
    if (!options.coordinateSystem.empty()) {
        std::optional<int> epsg = EpsgOfCrsText(options.coordinateSystem);
        if (!epsg) {
            throw Error("'" + options.coordinateSystem + "' is no coordinate system");
        }
        settings.sourceEpsg = *epsg;
    }
    if (drawing.workspace) {
        (void)exportWorkspace(*drawing.workspace, settings, path);
        return;
    }
    SurveyModel model(drawing.plotBytes->view());
    (void)exportModel(model, settings, path);
}

}  // namespace plotaktar
