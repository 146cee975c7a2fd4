#include "viewer/record_panel.h"

#include <fstream>

#include "compare/change.h"
#include "drawing/drawing_loader.h"
#include "drawing/pick.h"
#include "drawing/record_fields.h"
#include "qt/cp1254_text.h"
#include "viewer/comparison_panel.h"
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

namespace {

// Line `line` (from 1) of a file, without its line end; empty when the file has no such line.
std::string LineOfFile(const std::string& path, uint32_t line) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    for (uint32_t n = 1; n <= line && std::getline(in, text); ++n) {
    }
    if (!in && !in.eof()) {
        return {};
    }
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    return text;
}

}  // namespace

void RecordPanel::showChange(const compare::Comparison& comparison, size_t index) {
    clear();
    if (index >= comparison.changes.size()) {
        return;
    }
    const compare::Change& change = comparison.changes[index];
    auto add = [&](const QString& name, const QString& value) {
        new QTreeWidgetItem(this, {name, value});
    };
    add(QStringLiteral("Değişiklik"),
        QString::fromUtf8(change.code.data(), static_cast<qsizetype>(change.code.size())));
    add(QStringLiteral("Açıklama"), QString::fromStdString(change.message));
    const struct {
        QString name;
        const std::vector<std::string>& files;
        const std::optional<compare::Source>& at;
    } sides[] = {{QStringLiteral("Eski"), comparison.oldFiles, change.old.source},
                 {QStringLiteral("Yeni"), comparison.newFiles, change.now.source}};
    for (const auto& side : sides) {
        add(side.name, SideText(side.files, side.at));
        if (side.at && side.at->file < side.files.size() && side.at->line > 0) {
            add(side.name + QStringLiteral(" kayıt"),
                FromCp1254(LineOfFile(side.files[side.at->file], side.at->line)));
        }
    }
    for (const auto& [name, value] : change.values) {
        add(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
            QString::number(value, 'f', 3));
    }
    for (const auto& [name, value] : change.texts) {
        add(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
            QString::fromStdString(value));
    }
}

}  // namespace plotaktar::viewer
