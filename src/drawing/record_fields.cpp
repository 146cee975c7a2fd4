#include "drawing/record_fields.h"

namespace plotaktar {

std::vector<RecordField> RecordFields(const LoadedDrawing& loaded, uint32_t feature) {
    const Drawing& drawing = loaded.drawing;
    if (loaded.plotBytes) {
        if (feature >= drawing.lineOffsets.size()) {
            return {};
        }
        const SurveyModel model(loaded.plotBytes->view());
        return model.recordFields(
            {std::nullopt, drawing.sourceRow(feature), drawing.lineOffsets[feature]});
    }
    const std::optional<TableId> source = drawing.sourceTable(feature);
    if (!loaded.workspace || !source) {
        return {};
    }
    const SurveyModel model(*loaded.workspace);
    return model.recordFields({source, drawing.sourceRow(feature), 0});
}

}  // namespace plotaktar
