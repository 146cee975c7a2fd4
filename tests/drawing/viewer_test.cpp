// plotaktar-view opened offscreen on the sample: the drawing arrives, a click picks a point and
// shows its record, a drag pans, the panel hides a layer.

#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "viewer/viewer_window.h"

using namespace plotaktar;
using namespace plotaktar::viewer;

class ViewerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }  // recent files

    void opensTheSampleAndPicksAFeature() {
        ViewerWindow window;
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        DrawingCanvas& canvas = window.canvas();
        QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
        window.open(FilesFor({QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt")}));
        QVERIFY(loaded.wait(10000));
        QTRY_VERIFY_WITH_TIMEOUT(canvas.pictureCurrent(), 10000);
        QVERIFY(window.windowTitle().contains(QStringLiteral("pafta12.yaz")));
        const Drawing& drawing = canvas.drawing()->drawing;
        QCOMPARE(drawing.kindCount(FeatureKind::Label), 11u);  // the .yaz beside it was read
        QVERIFY(canvas.stats().drawn > 20);

        uint32_t n12 = 0;
        while (drawing.text(n12) != "N.12") {
            ++n12;
        }
        const QPoint at = canvas.view().toScreen(drawing.vertices(n12)[0]).toPoint();
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, at + QPoint(2, 1));
        QCOMPARE(canvas.selected(), std::optional<uint32_t>(n12));
        QTreeWidget* record = window.findChild<QTreeWidget*>(QStringLiteral("record"));
        QVERIFY(record);
        QVERIFY(!record->findItems(QStringLiteral("N.12"), Qt::MatchExactly, 1).isEmpty());
        QVERIFY(!record->findItems(QStringLiteral("StringGrid1"), Qt::MatchExactly, 1).isEmpty());

        // A drag moves the drawing with the mouse and is no click.
        const double east = canvas.view().centerEast;
        QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(300, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(200, 300),
                         canvas.mapToGlobal(QPointF(200, 300)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&canvas, &move);
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(200, 300));
        QCOMPARE(canvas.view().centerEast, east + 100 / canvas.view().scale);
        QCOMPARE(canvas.selected(), std::optional<uint32_t>(n12));

        // Hiding the layer of N.12 in the panel leaves it out of picture and pick.
        QTreeWidget* panel = window.findChild<QTreeWidget*>(QStringLiteral("panel"));
        QVERIFY(panel);
        auto layers = panel->findItems(QString::fromUtf8("NİRENGİ"),
                                       Qt::MatchExactly | Qt::MatchRecursive, 0);
        QCOMPARE(layers.size(), 1);
        layers[0]->setCheckState(0, Qt::Unchecked);
        const QPoint moved = canvas.view().toScreen(drawing.vertices(n12)[0]).toPoint();
        QVERIFY(canvas.featureAt(moved) != std::optional<uint32_t>(n12));
    }

    // The status bar says how many lines of a plot file were skipped, and that an empty plot
    // file is an empty drawing.
    void saysWhatAPlotFileLeftOut() {
        QTemporaryDir dir;
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(dir.filePath(QLatin1String(name)));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return file.fileName();
        };
        ViewerWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
        window.open(FilesFor({write("s.plt", "PN  && 1 2 A 0 0 7\r\nIN;\r\nSP1;\r\n")}));
        QVERIFY(loaded.wait(10000));
        QCOMPARE(window.statusBar()->currentMessage(),
                 QString::fromUtf8("2 satır atlandı: çizim dosyasının kaydı değil"));
        window.open(FilesFor({write("e.plt", "")}));
        QVERIFY(loaded.wait(10000));
        QCOMPARE(window.statusBar()->currentMessage(), QString::fromUtf8("Boş çizim"));
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
