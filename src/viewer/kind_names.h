#pragma once

#include <QString>

#include "drawing/drawing.h"

namespace plotaktar::viewer {

// The Turkish name of a feature kind, as the panel and the record show it.
QString KindName(FeatureKind kind);

// The caption of the window's page that shows table `table` (1 to 13), as the user knows the
// table ("Ada Parsel" for the parcels); the empty text for another number.
QString PageCaption(int table);

}  // namespace plotaktar::viewer
