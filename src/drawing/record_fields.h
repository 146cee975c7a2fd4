#pragma once

#include <string>
#include <vector>

#include "drawing/drawing_loader.h"
#include "drawing/survey_model.h"

namespace plotaktar {

// Every field of the record a feature was drawn from: the cells of its table row under the
// table's headers (a parcel's corner cells too), or the fields of its plot-file line (and of
// the corner line after a parcel's).
std::vector<RecordField> RecordFields(const LoadedDrawing& loaded, uint32_t feature);

}  // namespace plotaktar
