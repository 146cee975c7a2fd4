// Renders the window to a PNG, optionally after importing a drawing:
//   QT_QPA_PLATFORM=offscreen gui_screenshot out.png [geometry.gplt [labels.yaz]]
#include <QApplication>
#include <QPixmap>
#include <QTest>

#include "app/main_window.h"
#include "gui_test_support.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        qCritical("usage: gui_screenshot out.png [geometry.gplt [labels.yaz]]");
        return 2;
    }
    plotaktar::app::TForm1 form;
    form.show();
    (void)QTest::qWaitForWindowExposed(&form);
    if (argc >= 3) {
        plotaktar::gui_testing::ScriptedUi ui;
        ui.openAnswers.push_back(std::string(argv[2]));
        ui.openAnswers.push_back(argc >= 4 ? std::optional<std::string>(argv[3]) : std::nullopt);
        form.setUserInterface(&ui);
        form.BitBtn1Click();
        form.setUserInterface(nullptr);
    }
    QTest::qWait(200);
    return form.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
