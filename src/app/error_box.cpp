#include "app/error_box.h"

#include <QMessageBox>

#include "app/qt_text.h"
#include "model/text.h"

namespace plotaktar::app {

void ShowErrorBox(QWidget* parent, std::string_view message) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitleText(),
                    FromCp1254(ErrorBoxText(message)), QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace plotaktar::app
