// plotaktar-view's "Denetim" panel offscreen: the sample's check fills it after the drawing is
// on screen, the severity filter and a sort work, and choosing a finding zooms to its parcel and
// selects it.

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

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
};

QTEST_MAIN(CheckViewerTest)
#include "check_viewer_test.moc"
