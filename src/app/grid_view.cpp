#include "app/grid_view.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>

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
        option.text = button->text();
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        QPainter painter(button);
        button->style()->drawControl(QStyle::CE_Header, &option, &painter, button);
        return true;
    }
};

}  // namespace

QTableView* CreateGridView(GridModel* model, GridSizing sizing, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setTabKeyNavigation(false);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    view->setDragEnabled(false);

    QHeaderView* columns = view->horizontalHeader();
    QHeaderView* rows = view->verticalHeader();
    columns->setSectionsMovable(false);
    rows->setSectionsMovable(false);
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
    // The fixed column and row are as wide and as high as any other cell at least.
    rows->setMinimumWidth(kDefaultColumnWidth);
    columns->setMinimumHeight(kDefaultRowHeight);

    if (auto* corner = view->findChild<QAbstractButton*>()) {
        corner->installEventFilter(new CornerButtonPainter(corner));
        corner->setText(model->cornerText());
        QObject::connect(model, &QAbstractItemModel::modelReset, corner, [corner, model] {
            corner->setText(model->cornerText());
            corner->update();
        });
    }
    return view;
}

}  // namespace plotaktar::app
