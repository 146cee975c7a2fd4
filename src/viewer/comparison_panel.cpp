#include "viewer/comparison_panel.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "compare/comparison.h"

namespace plotaktar::viewer {

QString SideText(const std::vector<std::string>& files, const std::optional<compare::Source>& at) {
    if (!at || at->file >= files.size()) {
        return QStringLiteral("-");
    }
    const QString name = QFileInfo(QString::fromLocal8Bit(files[at->file].c_str())).fileName();
    return at->line > 0 ? QStringLiteral("%1:%2").arg(name).arg(at->line) : name;
}

void ChangesModel::setComparison(std::shared_ptr<const compare::Comparison> comparison) {
    beginResetModel();
    comparison_ = std::move(comparison);
    rebuild();
    endResetModel();
}

void ChangesModel::setShown(const QString& code) {
    beginResetModel();
    shown_ = code;
    rebuild();
    endResetModel();
}

void ChangesModel::rebuild() {
    order_.clear();
    if (!comparison_) {
        return;
    }
    const std::string code = shown_.toStdString();
    for (size_t i = 0; i < comparison_->changes.size(); ++i) {
        if (code.empty() || comparison_->changes[i].code == code) {
            order_.push_back(i);
        }
    }
    if (sortColumn_ >= 0) {
        std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
            const QString x = cell(a, sortColumn_), y = cell(b, sortColumn_);
            return sortOrder_ == Qt::AscendingOrder ? x < y : y < x;
        });
    }
}

QString ChangesModel::cell(size_t change, int column) const {
    const compare::Change& c = comparison_->changes[change];
    switch (column) {
        case Code:
            return QString::fromUtf8(c.code.data(), static_cast<qsizetype>(c.code.size()));
        case Message:
            return QString::fromStdString(c.message);
        case Old:
            return SideText(comparison_->oldFiles, c.old.source);
        case New:
            return SideText(comparison_->newFiles, c.now.source);
        default:
            return {};
    }
}

int ChangesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ChangesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ChangesModel::data(const QModelIndex& index, int role) const {
    if (!comparison_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    return cell(changeAt(index.row()), index.column());
}

QVariant ChangesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case Code:
            return QStringLiteral("Değişiklik");
        case Message:
            return QStringLiteral("Açıklama");
        case Old:
            return QStringLiteral("Eski");
        case New:
            return QStringLiteral("Yeni");
        default:
            return {};
    }
}

void ChangesModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    sortColumn_ = column;
    sortOrder_ = order;
    rebuild();
    endResetModel();
}

ComparisonPanel::ComparisonPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    filter_ = new QComboBox;
    filter_->setObjectName(QStringLiteral("changeFilter"));
    note_ =
        new QLabel(QStringLiteral("Karşılaştırma yok: Dosya ▸ Karşılaştır… eski bir çizim "
                                  "açar"));
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("changesTable"));
    table_->setModel(&model_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->verticalHeader()->hide();
    // The message takes the room; the others are as wide as their texts.
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(ChangesModel::Message, QHeaderView::Stretch);
    layout->addWidget(filter_);
    layout->addWidget(note_);
    layout->addWidget(table_);
    connect(filter_, &QComboBox::currentIndexChanged, this,
            [this](int) { model_.setShown(filter_->currentData().toString()); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    emit changeChosen(model_.changeAt(current.row()));
                }
            });
    setComparison(nullptr);
}

void ComparisonPanel::setComparison(std::shared_ptr<const compare::Comparison> comparison) {
    filter_->blockSignals(true);
    filter_->clear();
    filter_->addItem(QStringLiteral("Bütün değişiklikler"), QString());
    if (comparison) {
        for (const auto& [code, count] : compare::CountByCode(*comparison)) {
            const QString name =
                QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size()));
            filter_->addItem(QStringLiteral("%1 (%2)").arg(name).arg(count), name);
        }
        QString note = QStringLiteral("%1 değişiklik").arg(comparison->changes.size());
        if (!comparison->notCompared.empty()) {
            QStringList kinds;
            for (std::string_view kind : comparison->notCompared) {
                kinds << QString::fromUtf8(kind.data(), static_cast<qsizetype>(kind.size()));
            }
            note += QStringLiteral("; karşılaştırılmadı: ") + kinds.join(QStringLiteral(", "));
        }
        note_->setText(note);
    }
    filter_->blockSignals(false);
    model_.setShown(QString());
    model_.setComparison(std::move(comparison));
}

void ComparisonPanel::setNote(const QString& note) {
    setComparison(nullptr);
    note_->setText(note);
}

}  // namespace plotaktar::viewer
