#include "viewer/kind_names.h"

#include <string_view>

namespace plotaktar::viewer {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString KindName(FeatureKind kind) {
    return FromUtf8(FeatureKindOf(kind).name);
}

QString PageCaption(TableId table) {
    return FromUtf8(TableOf(table).caption);
}

}  // namespace plotaktar::viewer
