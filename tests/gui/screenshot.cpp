// Renders the window to a PNG, optionally after importing a drawing and with another page in
// front (1-based, in tab order):
//   QT_QPA_PLATFORM=offscreen gui_screenshot out.png [--page=N] [geometry.gplt [labels.yaz]]
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

#include "app/main_window.h"
#include "gui_test_support.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        qCritical("usage: gui_screenshot out.png [--page=N] [geometry.gplt [labels.yaz]]");
        return 2;
    }
    const QString output = args.takeFirst();
    int page = 0;
    if (!args.isEmpty() && args.first().startsWith(QLatin1String("--page="))) {
        page = args.takeFirst().mid(7).toInt();
    }
    plotaktar::app::TForm1 form;
    form.show();
    (void)QTest::qWaitForWindowExposed(&form);
    // The offscreen screen is smaller than the window: the window fitted itself to it.
    form.resize(1028, 607);
    if (!args.isEmpty()) {
        plotaktar::gui_testing::ScriptedUi ui;
        auto answer = [&](int i) -> std::optional<std::string> {
            if (i >= args.size()) {
                return std::nullopt;
            }
            return QFile::encodeName(args[i]).toStdString();
        };
        ui.answerOpen(answer(0), answer(1));
        form.setUserInterface(&ui);
        form.BitBtn1Click();
        form.setUserInterface(nullptr);
    }
    if (page > 0) {
        form.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(page - 1);
    }
    QTest::qWait(200);
    return form.grab().save(output) ? 0 : 1;
}
