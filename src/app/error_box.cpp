#include "app/error_box.h"
#include "ui/ui_texts.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "app/qt_text.h"
#include "model/text.h"

namespace plotaktar::app {

namespace {

// Room in a title bar beside its caption: the window manager's icon and buttons.
constexpr int kTitleBarRoom = 160;

}  // namespace

void ExecMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    const QString title = ApplicationTitleText();
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    // A box of one short word would be narrower than its caption. The box takes the width of
    // its layout, so a spacer as wide as the title bar needs widens it. Title bars often use a
    // bold font: the caption's width is allowed half as much again.
    if (auto* layout = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(title) * 3 / 2 + kTitleBarRoom;
        layout->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                        layout->rowCount(), 0, 1, layout->columnCount());
    }
    box.exec();
}

void ShowErrorBox(QWidget* parent, std::string_view message) {
    ExecMessageBox(parent, QMessageBox::Critical, FromCp1254(ErrorBoxText(message)));
}

}  // namespace plotaktar::app
