#include "app/grid_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <vector>

#include "model/cp1254.h"

namespace plotaktar::app {

namespace {

// QTableView paints its corner button as an empty header section. This filter paints it as a
// section that carries the button's text, so cell (0,0) shows there like the other fixed cells.
class CornerButtonPainter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        auto* button = static_cast<QAbstractButton*>(watched);
        QStyleOptionHeader option;
        option.initFrom(button);
        option.state = QStyle::State_None;
        if (button->isEnabled()) {
            option.state |= QStyle::State_Enabled;
        }
        if (button->isActiveWindow()) {
            option.state |= QStyle::State_Active;
        }
        if (button->isDown()) {
            option.state |= QStyle::State_Sunken;
        }
        option.rect = button->rect();
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.text = button->fontMetrics().elidedText(button->text(), Qt::ElideRight,
                                                       button->width() - 2 * kCellPadding);
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        QPainter painter(button);
        button->style()->drawControl(QStyle::CE_Header, &option, &painter, button);
        return true;
    }
};

// A header whose grey stops where its sections stop: the rest of its length has the cells'
// background, as beside and below the cells of a string grid.
class GridHeader : public QHeaderView {
  public:
    using QHeaderView::QHeaderView;

  protected:
    void paintEvent(QPaintEvent* event) override {
        QHeaderView::paintEvent(event);
        const int end = length() - offset();
        const QRect area = viewport()->rect();
        const QRect rest = orientation() == Qt::Horizontal
                               ? QRect(QPoint(end, 0), area.bottomRight())
                               : QRect(QPoint(0, end), area.bottomRight());
        if (rest.isValid()) {
            QPainter painter(viewport());
            painter.fillRect(rest, palette().brush(QPalette::Base));
        }
    }
};

// Paints a cell's text with a small padding, cut with "…" where it does not fit.
class GridDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        if (text.isEmpty()) {
            return;
        }
        const QRect area = item.rect.adjusted(kCellPadding, 0, -kCellPadding, 0);
        QPalette::ColorGroup group = QPalette::Disabled;
        if (item.state & QStyle::State_Enabled) {
            group = item.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        }
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(group, item.state & QStyle::State_Selected
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          item.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        // The advance unrounded, rounded up: eliding compares the text's exact width with the
        // room, so a width rounded down would cut a coordinate by a fraction of a pixel.
        const qreal advance = QFontMetricsF(item.font).horizontalAdvance(item.text);
        return {static_cast<int>(std::ceil(advance)) + 2 * kCellPadding, kDefaultRowHeight};
    }
};

// The UTF-8 bytes of each windows-1254 byte.
struct Utf8Bytes {
    std::array<char, 3> bytes;
    unsigned char size;
};

const std::array<Utf8Bytes, 256>& Utf8Table() {
    static const std::array<Utf8Bytes, 256> table = [] {
        std::array<Utf8Bytes, 256> t{};
        for (unsigned b = 0; b < 256; ++b) {
            const char16_t u = Cp1254ToUnicode(static_cast<unsigned char>(b));
            Utf8Bytes& e = t[b];
            if (u < 0x80) {
                e = {{static_cast<char>(u)}, 1};
            } else if (u < 0x800) {
                e = {{static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))}, 2};
            } else {
                e = {{static_cast<char>(0xE0 | (u >> 12)),
                      static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                      static_cast<char>(0x80 | (u & 0x3F))},
                     3};
            }
        }
        return t;
    }();
    return table;
}

// A cell as copied: its UTF-8 size, and whether it is quoted because a tab or line end in it
// would otherwise split it.
struct CopiedCell {
    size_t size = 0;
    bool quoted = false;
};

CopiedCell MeasureCell(std::string_view cell, const std::array<Utf8Bytes, 256>& utf8) {
    CopiedCell copied;
    size_t quotes = 0;
    for (char c : cell) {
        copied.size += utf8[static_cast<unsigned char>(c)].size;
        copied.quoted |= c == '\t' || c == '\n' || c == '\r';
        quotes += c == '"';
    }
    if (copied.quoted) {
        copied.size += quotes + 2;
    }
    return copied;
}

char* WriteCell(char* out, std::string_view cell, bool quoted,
                const std::array<Utf8Bytes, 256>& utf8) {
    if (quoted) {
        *out++ = '"';
    }
    for (char c : cell) {
        const Utf8Bytes& e = utf8[static_cast<unsigned char>(c)];
        if (e.size == 1) {
            if (quoted && c == '"') {
                *out++ = '"';
            }
            *out++ = c;
        } else {
            out = std::copy_n(e.bytes.data(), e.size, out);
        }
    }
    if (quoted) {
        *out++ = '"';
    }
    return out;
}

// The bounding rows and columns of a selection, row by row with the columns selected in each.
class SelectedRows {
  public:
    explicit SelectedRows(const QItemSelection& selection) {
        for (const QItemSelectionRange& range : selection) {
            if (!range.isValid() || range.isEmpty()) {
                continue;
            }
            ranges_.push_back({range.top(), range.bottom(), range.left(), range.right()});
            top_ = std::min(top_, range.top());
            bottom_ = std::max(bottom_, range.bottom());
            left_ = std::min(left_, range.left());
            right_ = std::max(right_, range.right());
        }
        std::sort(ranges_.begin(), ranges_.end(),
                  [](const Range& a, const Range& b) { return a.top < b.top; });
    }

    bool empty() const { return ranges_.empty(); }
    int left() const { return left_; }
    int width() const { return right_ - left_ + 1; }

    // Calls visit(row, selected) for every bounding row in order; selected[i] tells whether
    // column left() + i of that row is selected. The flags are rebuilt only where a range
    // starts or ends, so a single range costs one pass over the columns.
    template <class Visit>
    void forEach(Visit&& visit) const {
        std::vector<char> selected(static_cast<size_t>(width()), 0);
        std::vector<const Range*> active;
        size_t next = 0;
        for (int row = top_; row <= bottom_; ++row) {
            bool changed = false;
            while (next < ranges_.size() && ranges_[next].top <= row) {
                active.push_back(&ranges_[next++]);
                changed = true;
            }
            const auto ended = std::remove_if(active.begin(), active.end(),
                                              [row](const Range* r) { return r->bottom < row; });
            if (ended != active.end()) {
                active.erase(ended, active.end());
                changed = true;
            }
            if (changed) {
                std::fill(selected.begin(), selected.end(), 0);
                for (const Range* r : active) {
                    std::fill(selected.begin() + (r->left - left_),
                              selected.begin() + (r->right - left_ + 1), 1);
                }
            }
            visit(row, selected);
        }
    }

  private:
    struct Range {
        int top, bottom, left, right;
    };
    std::vector<Range> ranges_;
    int top_ = INT_MAX;
    int bottom_ = -1;
    int left_ = INT_MAX;
    int right_ = -1;
};

}  // namespace

QByteArray SelectionText(const GridModel& model, const QItemSelection& selection) {
    const SelectedRows rows(selection);
    if (rows.empty()) {
        return {};
    }
    const std::array<Utf8Bytes, 256>& utf8 = Utf8Table();
    const int left = rows.left();
    const size_t width = static_cast<size_t>(rows.width());

    // Measured first, so that the text is made in one piece of exactly its size.
    size_t size = 0;
    rows.forEach([&](int row, const std::vector<char>& selected) {
        size += width;  // the tabs between the cells and the line end
        for (size_t i = 0; i < width; ++i) {
            if (selected[i]) {
                size += MeasureCell(model.cellBytes(row, left + static_cast<int>(i)), utf8).size;
            }
        }
    });
    QByteArray text(static_cast<qsizetype>(size), Qt::Uninitialized);
    char* out = text.data();
    rows.forEach([&](int row, const std::vector<char>& selected) {
        for (size_t i = 0; i < width; ++i) {
            if (i > 0) {
                *out++ = '\t';
            }
            if (selected[i]) {
                const std::string_view cell = model.cellBytes(row, left + static_cast<int>(i));
                out = WriteCell(out, cell, MeasureCell(cell, utf8).quoted, utf8);
            }
        }
        *out++ = '\n';
    });
    return text;
}

GridView::GridView(GridModel* model, GridSizing sizing, QWidget* parent)
    : QTableView(parent), model_(model) {
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    setModel(model);
    setItemDelegate(new GridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setDragEnabled(false);

    QHeaderView* columns = horizontalHeader();
    QHeaderView* rows = verticalHeader();
    columns->setSectionsMovable(false);
    rows->setSectionsMovable(false);
    columns->setSectionsClickable(true);
    rows->setSectionsClickable(true);
    columns->setMinimumSectionSize(1);
    rows->setMinimumSectionSize(1);
    columns->setDefaultSectionSize(kDefaultColumnWidth);
    rows->setDefaultSectionSize(kDefaultRowHeight);
    columns->setSectionResizeMode(sizing == GridSizing::None ? QHeaderView::Fixed
                                                             : QHeaderView::Interactive);
    rows->setSectionResizeMode(sizing == GridSizing::RowsAndColumns ? QHeaderView::Interactive
                                                                    : QHeaderView::Fixed);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    rows->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    rows->setHighlightSections(false);
    columns->setTextElideMode(Qt::ElideRight);
    rows->setTextElideMode(Qt::ElideRight);
    // The fixed column and row are as wide and as high as any other cell at least.
    rows->setMinimumWidth(kDefaultColumnWidth);
    columns->setMinimumHeight(kDefaultRowHeight);

    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->installEventFilter(new CornerButtonPainter(corner));
        auto showCornerText = [corner, model] {
            corner->setText(model->cornerText());
            corner->setToolTip(model->cornerText());
            corner->update();
        };
        showCornerText();
        connect(model, &QAbstractItemModel::modelReset, corner, showCornerText);
    }
}

void GridView::copySelection() {
    QByteArray text = SelectionText(*model_, selectionModel()->selection());
    if (text.isEmpty()) {
        return;
    }
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/plain"), text);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void GridView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

int GridView::sizeHintForColumn(int column) const {
    if (column < 0 || column >= model_->columnCount()) {
        return -1;
    }
    const int rowsTotal = model_->rowCount();
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) {
        last = rowsTotal - 1;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int hint = 0;
    for (int row = first; row <= last && row < rowsTotal; ++row) {
        const QModelIndex index = model_->index(row, column);
        hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    if (showGrid()) {
        hint += 1;
    }
    return std::min(hint, std::max(viewport()->width(), kDefaultColumnWidth));
}

void GridView::fitColumnsToRowsInView() {
    const int count = model_->columnCount();
    const int first = std::max(0, columnAt(0));
    for (int column = first; column < count && column < first + kMostColumnsFitted; ++column) {
        setColumnWidth(column, std::max(kDefaultColumnWidth, sizeHintForColumn(column)));
    }
}

GridView* CreateGridView(GridModel* model, GridSizing sizing, QWidget* parent) {
    return new GridView(model, sizing, parent);
}

}  // namespace plotaktar::app
