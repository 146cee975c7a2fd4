#include <QApplication>
#include <QIcon>

#include "app/main_window.h"
#include "qt/translation.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/plotaktar/plotaktar.svg")));
    plotaktar::LoadQtTurkish(application);
    plotaktar::app::TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
