#include "viewer/record_panel.h"

#include "drawing/drawing_loader.h"
#include "drawing/pick.h"
#include "drawing/record_fields.h"
#include "qt/cp1254_text.h"
#include "viewer/kind_names.h"

namespace plotaktar::viewer {

RecordPanel::RecordPanel(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("record"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Alan"), QStringLiteral("Değer")});
    setRootIsDecorated(false);
}

void RecordPanel::showRecord(const LoadedDrawing* loaded, std::optional<uint32_t> feature) {
    clear();
    if (!feature || !loaded || *feature >= loaded->drawing.size()) {
        return;
    }
    const Drawing& drawing = loaded->drawing;
    auto add = [&](const QString& name, const QString& value) {
        new QTreeWidgetItem(this, {name, value});
    };
    add(QStringLiteral("Tür"), KindName(drawing.kind(*feature)));
    if (const std::optional<TableId> table = drawing.sourceTable(*feature)) {
        add(QStringLiteral("Sayfa"), PageCaption(*table));
        add(QStringLiteral("Satır"), QString::number(drawing.sourceRow(*feature)));
    } else {
        add(QStringLiteral("Dosya satırı"), QString::number(drawing.sourceRow(*feature)));
    }
    const DrawingLayer& layer = drawing.layers()[drawing.layer(*feature)];
    add(QStringLiteral("Tabaka"), FromCp1254(layer.name));
    const bool parcel = drawing.kind(*feature) == FeatureKind::Parcel;
    const QString area = QString::number(ShoelaceArea(drawing.vertices(*feature)), 'f', 2);
    bool areaShown = false;
    for (const RecordField& field : RecordFields(*loaded, *feature)) {
        const QString name = FromCp1254(field.name);
        add(name, FromCp1254(field.value));
        // The area from the corners stands right under the recorded one.
        if (parcel && name == QLatin1String("Alan")) {
            add(QStringLiteral("Köşelerden alan"), area);
            areaShown = true;
        }
    }
    if (parcel && !areaShown) {
        add(QStringLiteral("Köşelerden alan"), area);
    }
    resizeColumnToContents(0);
}

}  // namespace plotaktar::viewer
