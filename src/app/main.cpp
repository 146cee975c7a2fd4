#include <QApplication>
#include <QIcon>

#include "app/main_window.h"
#include "platform/stop_signals.h"
#include "qt/translation.h"

int main(int argc, char** argv) {
    plotaktar::platform::FailWritesPastFileSizeLimit();
    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/plotaktar/plotaktar.svg")));
    plotaktar::LoadQtTurkish(application);
    plotaktar::app::TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
