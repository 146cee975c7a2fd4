#include "viewer/layer_panel.h"

#include <QHeaderView>
#include <QPixmap>
#include <utility>

#include "qt/cp1254_text.h"
#include "viewer/drawing_canvas.h"
#include "viewer/kind_names.h"

namespace plotaktar::viewer {

namespace {

enum PanelRole { kLayerRole = Qt::UserRole + 1, kKindRole, kNumbersRole };

QIcon ColourIcon(const QColor& colour) {
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

}  // namespace

LayerPanel::LayerPanel(DrawingCanvas& canvas, QWidget* parent)
    : QTreeWidget(parent), canvas_(canvas) {
    setObjectName(QStringLiteral("panel"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Ad"), QStringLiteral("Sayı")});
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemChanged, this, &LayerPanel::changed);
}

void LayerPanel::fill(uint64_t failedRecords) {
    filling_ = true;
    clear();
    if (const auto& loaded = canvas_.drawing()) {
        const Drawing& drawing = loaded->drawing;
        const RenderFilter& filter = canvas_.filter();
        auto* layers = new QTreeWidgetItem(this, {QStringLiteral("Tabakalar")});
        for (size_t l = 0; l < drawing.layers().size(); ++l) {
            const DrawingLayer& layer = drawing.layers()[l];
            QString name = FromCp1254(layer.name);
            auto* item =
                new QTreeWidgetItem(layers, {name.isEmpty() ? QStringLiteral("(adsız)") : name,
                                             QString::number(layer.features)});
            item->setIcon(0, ColourIcon(LayerColour(layer)));
            item->setData(0, kLayerRole, static_cast<int>(l));
            item->setCheckState(0, l < filter.hiddenLayers.size() && filter.hiddenLayers[l]
                                       ? Qt::Unchecked
                                       : Qt::Checked);
        }
        auto* kinds = new QTreeWidgetItem(this, {QStringLiteral("Türler")});
        auto addKind = [&](const QString& name, uint64_t count, int role, int value, bool shown) {
            auto* item = new QTreeWidgetItem(kinds, {name, QString::number(count)});
            item->setData(0, role, value);
            item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
        };
        for (int k = 0; k < kFeatureKinds; ++k) {
            const auto kind = static_cast<FeatureKind>(k);
            addKind(KindName(kind), drawing.kindCount(kind), kKindRole, k, !filter.hiddenKinds[k]);
            if (kind == FeatureKind::Detail) {
                addKind(QStringLiteral("Nokta numaraları"),
                        drawing.kindCount(FeatureKind::Triangulation) +
                            drawing.kindCount(FeatureKind::Traverse) +
                            drawing.kindCount(FeatureKind::Detail),
                        kNumbersRole, 1, filter.pointNumbers);
            }
        }
        auto* missing = new QTreeWidgetItem(this, {QStringLiteral("Çizilmeyenler")});
        const DrawingCounts& counts = drawing.counts();
        const std::pair<const char*, uint64_t> rows[] = {
            {"Noktası olmayan sembol", counts.symbols},
            {"Bina", counts.buildings},
            {"Şev", counts.slopes},
            {"Koordinatı sayı olmayan", counts.unreadable},
            {"Hatalı kayıt", failedRecords},
            {"Atlanan satır", counts.skippedLines},
        };
        for (const auto& [name, count] : rows) {
            new QTreeWidgetItem(missing, {QString::fromUtf8(name), QString::number(count)});
        }
        expandAll();
    }
    filling_ = false;
}

void LayerPanel::changed(QTreeWidgetItem* item) {
    if (filling_) {
        return;
    }
    RenderFilter filter = canvas_.filter();
    const bool shown = item->checkState(0) == Qt::Checked;
    if (QVariant layer = item->data(0, kLayerRole); layer.isValid()) {
        const size_t l = static_cast<size_t>(layer.toInt());
        if (l < filter.hiddenLayers.size()) {
            filter.hiddenLayers[l] = !shown;
        }
    } else if (QVariant kind = item->data(0, kKindRole); kind.isValid()) {
        filter.hiddenKinds[kind.toInt()] = !shown;
    } else if (item->data(0, kNumbersRole).isValid()) {
        filter.pointNumbers = shown;
    } else {
        return;
    }
    canvas_.setFilter(filter);
}

}  // namespace plotaktar::viewer
