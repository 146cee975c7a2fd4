// plotaktar-view's "Denetim" panel offscreen: the sample's check fills it after the drawing is
// on screen, the severity filter and a sort work, and choosing a finding zooms to its parcel and
// selects it.

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

#include "viewer/check_panel.h"
#include "viewer/viewer_window.h"

using namespace plotaktar;
using namespace plotaktar::viewer;

class CheckViewerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void theSamplesFindingsFillThePanelAndLeadToTheirParcels() {
        ViewerWindow window;
        window.setRemembersRecent(false);
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy checked(&window, &ViewerWindow::checkFinished);
        window.open(FilesFor({QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt")}));
        QVERIFY(checked.wait(10000));

        FindingsModel& model = window.checkPanel().model();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, FindingsModel::Code).data().toString(),
                 QStringLiteral("parcel-area"));
        QCOMPARE(model.index(2, FindingsModel::Line).data().toString(),
                 QStringLiteral("pafta12.gplt:45"));
        auto* counts = window.findChild<QLabel*>(QStringLiteral("checkCounts"));
        QVERIFY(counts);
        QCOMPARE(counts->text(), QString::fromUtf8("Denetim: 3 hata, 0 uyarı"));

        // Warnings only: none; all again, sorted by message descending: 106/1 first.
        auto* shown = window.checkPanel().findChild<QComboBox*>(QStringLiteral("severity"));
        shown->setCurrentIndex(2);
        QCOMPARE(model.rowCount(), 0);
        shown->setCurrentIndex(0);
        model.sort(FindingsModel::Message, Qt::DescendingOrder);
        QVERIFY(model.index(0, FindingsModel::Message).data().toString().startsWith("106/1"));

        // A click on it zooms to parcel 106/1 and selects it.
        QTableView& view = window.checkPanel().view();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(model.index(0, FindingsModel::Message)).center());
        DrawingCanvas& canvas = window.canvas();
        QVERIFY(canvas.selected());
        const Drawing& drawing = canvas.drawing()->drawing;
        QCOMPARE(drawing.text(*canvas.selected()), std::string_view("106/1"));
        const Bounds shownArea = canvas.view().visibleArea();
        const Bounds parcel = drawing.bounds(*canvas.selected());
        QVERIFY(shownArea.minEast <= parcel.minEast && parcel.maxEast <= shownArea.maxEast);
        QVERIFY(shownArea.maxEast - shownArea.minEast < 4 * (parcel.maxEast - parcel.minEast));
    }

    // A check that would run for many minutes (two crossed stars, each of whose repair is one
    // long GEOS call) stops when another drawing opens, whose findings then arrive, and when
    // the window goes. No clock here: ctest's TIMEOUT fails the test if either waits for it.
    void aLongCheckStopsForTheNextDrawingAndForTheWindowGoing() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("stars.gplt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("tab 1 1 PARSEL 1 0 1 0.35\r\n");
        const int corners = 301;
        for (int p = 1; p <= 2; ++p) {
            file.write(QStringLiteral("par 200 %1 100.00 1\r\n").arg(p).toLatin1());
            for (int k = 0; k < corners; ++k) {
                const double angle = 2 * M_PI * k * 150 / corners;
                file.write(QStringLiteral("200 %1 %2 %3 %4 0\r\n")
                               .arg(p)
                               .arg(k + 1)
                               .arg(500000 + 10 * p + 100 * std::cos(angle), 0, 'f', 3)
                               .arg(4500000 + 100 * std::sin(angle), 0, 'f', 3)
                               .toLatin1());
            }
        }
        file.close();
        const DrawingFiles stars = FilesFor({file.fileName()});
        auto window = std::make_unique<ViewerWindow>();
        window->setRemembersRecent(false);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSignalSpy loaded(window.get(), &ViewerWindow::drawingLoaded);
        QSignalSpy checked(window.get(), &ViewerWindow::checkFinished);
        window->open(stars);
        QVERIFY(loaded.wait(10000));
        QTest::qWait(500);  // well into the repair of the first star
        window->open(FilesFor({QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt")}));
        QVERIFY(checked.wait(600000));
        QCOMPARE(window->checkPanel().model().rowCount(), 3);

        window->open(stars);
        QVERIFY(loaded.wait(10000));
        QTest::qWait(500);
        window.reset();
        QCOMPARE(checked.count(), 1);
    }
};

QTEST_MAIN(CheckViewerTest)
#include "check_viewer_test.moc"
