#include "viewer/check_panel.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include <QFile>

namespace plotaktar::viewer {

namespace {

QString SeverityText(check::Severity severity) {
    return severity == check::Severity::Error ? QStringLiteral("Hata") : QStringLiteral("Uyarı");
}

QString LineText(const DrawingCheck& check, const check::Finding& f) {
    const QString name =
        QFileInfo(QFile::decodeName(FileName(check.paths, f.file).c_str())).fileName();
    return f.line > 0 ? QStringLiteral("%1:%2").arg(name).arg(f.line) : name;
}

}  // namespace

void FindingsModel::setCheck(std::shared_ptr<const DrawingCheck> check) {
    beginResetModel();
    check_ = std::move(check);
    rebuild();
    endResetModel();
}

void FindingsModel::setShown(Shown shown) {
    beginResetModel();
    shown_ = shown;
    rebuild();
    endResetModel();
}

void FindingsModel::rebuild() {
    order_.clear();
    if (!check_ || inFileOrder()) {
        return;
    }
    const check::Findings& findings = check_->findings;
    for (size_t i = 0; i < findings.size(); ++i) {
        const bool error = findings[i].severity == check::Severity::Error;
        if (shown_ == Shown::All || (shown_ == Shown::Errors) == error) {
            order_.push_back(i);
        }
    }
    if (sortColumn_ < 0) {
        return;
    }
    const bool ascending = sortOrder_ == Qt::AscendingOrder;
    std::stable_sort(order_.begin(), order_.end(), [&](size_t a, size_t b) {
        const check::Finding& fa = findings[a];
        const check::Finding& fb = findings[b];
        int c = 0;
        switch (sortColumn_) {
            case Severity:
                c = static_cast<int>(fa.severity) - static_cast<int>(fb.severity);
                break;
            case Code:
                c = fa.code.compare(fb.code);
                break;
            case Page:
                c = TableNumber(fa.table) - TableNumber(fb.table);
                break;
            case Row:
                c = fa.row < fb.row ? -1 : fa.row > fb.row;
                break;
            case Line:
                c = fa.file != fb.file ? static_cast<int>(fa.file) - static_cast<int>(fb.file)
                                       : (fa.line < fb.line ? -1 : fa.line > fb.line);
                break;
            default:
                c = fa.message.compare(fb.message);
                break;
        }
        return ascending ? c < 0 : c > 0;
    });
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !check_) {
        return 0;
    }
    return static_cast<int>(inFileOrder() ? check_->findings.size() : order_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
    if (!check_ || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const check::Finding& f = check_->findings[findingAt(index.row())];
    if (role == Qt::ForegroundRole && index.column() == Severity) {
        return f.severity == check::Severity::Error ? QColor(176, 0, 0) : QColor(160, 100, 0);
    }
    if (role == Qt::ToolTipRole && index.column() == Message) {
        return QString::fromUtf8(f.message.data(), static_cast<qsizetype>(f.message.size()));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
        case Severity:
            return SeverityText(f.severity);
        case Code:
            return QString::fromUtf8(f.code.data(), static_cast<qsizetype>(f.code.size()));
        case Page: {
            const std::string_view caption = TableOf(f.table).caption;
            return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
        }
        case Row:
            return f.row;
        case Line:
            return LineText(*check_, f);
        default:
            return QString::fromUtf8(f.message.data(), static_cast<qsizetype>(f.message.size()));
    }
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kHeaders[] = {"Önem",  "Kod",          "Sayfa",
                                           "Satır", "Dosya satırı", "İleti"};
    return QString::fromUtf8(kHeaders[section]);
}

void FindingsModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    sortColumn_ = column;
    sortOrder_ = order;
    rebuild();
    endResetModel();
}

CheckPanel::CheckPanel(QWidget* parent) : QWidget(parent) {
    shown_ = new QComboBox;
    shown_->setObjectName(QStringLiteral("severity"));
    shown_->addItems(
        {QStringLiteral("Hepsi"), QStringLiteral("Hatalar"), QStringLiteral("Uyarılar")});
    state_ = new QLabel;
    view_ = new QTableView;
    view_->setModel(&model_);
    view_->setSortingEnabled(true);
    view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setWordWrap(false);
    // Widths from the widest texts the columns hold, not from their rows: many rows would cost
    // the window a pause.
    const QFontMetrics metrics = view_->fontMetrics();
    const char* const widest[] = {"Uyarı", "parcel-self-intersection", "Ada Parsel Köşe", "1000000",
                                  "pafta12.gplt:100000"};
    for (int column = 0; column < FindingsModel::Message; ++column) {
        view_->setColumnWidth(column,
                              metrics.horizontalAdvance(QString::fromUtf8(widest[column])) + 16);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Göster:")));
    top->addWidget(shown_);
    top->addWidget(state_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(top);
    layout->addWidget(view_);

    connect(shown_, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_.setShown(static_cast<FindingsModel::Shown>(index)); });
    auto choose = [this](const QModelIndex& index) {
        if (index.isValid()) {
            emit findingChosen(model_.findingAt(index.row()));
        }
    };
    connect(view_, &QTableView::clicked, this, choose);
    connect(view_, &QTableView::activated, this, choose);
}

void CheckPanel::setRunning() {
    model_.setCheck(nullptr);
    state_->setText(QStringLiteral("Denetleniyor…"));
}

void CheckPanel::setCheck(std::shared_ptr<const DrawingCheck> check) {
    if (!check) {
        state_->setText(QStringLiteral("Denetim yalnız .gplt çizimleri için"));
    } else {
        state_->setText(
            QStringLiteral("%1 hata, %2 uyarı").arg(check->errors).arg(check->warnings));
    }
    model_.setCheck(std::move(check));
}

}  // namespace plotaktar::viewer
