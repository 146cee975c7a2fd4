#pragma once

#include <QString>

#include "drawing/drawing.h"

namespace plotaktar::viewer {

// The Turkish name of a feature kind, as the panel and the record show it.
QString KindName(FeatureKind kind);

// The caption of the window's page that shows `table`, as the user knows the table ("Ada
// Parsel" for the parcels).
QString PageCaption(TableId table);

}  // namespace plotaktar::viewer
