#pragma once

#include <QTreeWidget>
#include <cstdint>
#include <optional>

namespace plotaktar {
struct LoadedDrawing;
}
namespace plotaktar::compare {
struct Comparison;
}

namespace plotaktar::viewer {

// The record of the feature last picked: its kind, where it comes from (the window's page and
// row, or the plot file's line), its layer and every field of its record; for a parcel the area
// computed from its corners beside the recorded one.
class RecordPanel : public QTreeWidget {
    Q_OBJECT

  public:
    explicit RecordPanel(QWidget* parent = nullptr);

    // Shows the record of `feature` of `drawing`; empty for no feature.
    void showRecord(const LoadedDrawing* drawing, std::optional<uint32_t> feature);
    // Change `change` of `comparison`: its kind and message, then the record it came from in
    // the old revision and the one in the new, each as its file's line.
    void showChange(const compare::Comparison& comparison, size_t change);
};

}  // namespace plotaktar::viewer
