// plotaktar-view offscreen: the sample arrives, a click picks a point and shows its record, a
// drag pans, the panel hides a layer; the window follows its file on disk through removal,
// replacement, a folder in its place, half-written and emptied versions; recent files.

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "model/crs_names.h"
#include "model/output_files.h"
#include "model/output_formats.h"
#include "viewer/drawing_files.h"
#include "viewer/exchange_export.h"
#include "viewer/output_guard.h"
#include "viewer/pan_pick_tool.h"
#include "viewer/recent_files.h"
#include "viewer/viewer_window.h"

using namespace plotaktar;
using namespace plotaktar::viewer;

namespace {

// Writes `bytes` to `name` in `dir`; returns its path.
QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    QFile file(dir.filePath(QLatin1String(name)));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return file.fileName();
}

// A window on screen, remembering no recent files, showing the drawing of `path`; none when
// it could not be shown.
std::unique_ptr<ViewerWindow> ShownWith(const QString& path) {
    auto window = std::make_unique<ViewerWindow>();
    window->setRemembersRecent(false);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) {
        return nullptr;
    }
    QSignalSpy loaded(window.get(), &ViewerWindow::drawingLoaded);
    window->open(FilesFor({path}));
    return loaded.wait(10000) ? std::move(window) : nullptr;
}

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }  // recent files

    // The export dialog names its formats and systems in Turkish, each its own, with the zone's
    // central meridian; none keeps the command line's English.
    void exportDialogNamesFormatsAndSystemsInTurkish() {
        QSet<QString> names;
        for (const OutputFormatInfo& format : OutputFormats()) {
            if (format.program == kExportProgram) {
                names.insert(FormatName(format));
            }
        }
        QCOMPARE(names.size(), 5);
        QVERIFY(names.contains(QStringLiteral("DXF çizimi")));
        for (const CrsName& system : kCrsNames) {
            const QString name = SystemName(system);
            names.insert(name);
            QVERIFY2(name.endsWith(QStringLiteral("(EPSG:%1)").arg(system.epsg)), qPrintable(name));
            QVERIFY2(name.contains(QStringLiteral(" dilim")), qPrintable(name));
        }
        QCOMPARE(names.size(), 5 + static_cast<int>(std::size(kCrsNames)));
        for (const QString& name : names) {
            for (const char* english : {"drawing", "zone", "meridian", "set per kind"}) {
                QVERIFY2(!name.contains(QLatin1String(english)), qPrintable(name));
            }
        }
        QCOMPARE(SystemName(kCrsNames[1]),
                 QStringLiteral("TM30 — TUREF / TM30 (3° dilim, orta meridyen 30° D) (EPSG:5254)"));
        QCOMPARE(SystemName(kCrsNames[std::size(kCrsNames) - 4]),
                 QStringLiteral("ED50-UTM35 — ED50 / UTM 35. dilim (6°, orta meridyen 27° D) "
                                "(EPSG:23035)"));
    }

    // Pictures, sheets and exports write over no file of the open drawing, whatever their name:
    // a box names the file; other files pass without one.
    void writesOverNoneOfTheDrawingsFiles() {
        QTemporaryDir dir;
        const QString geometry = dir.filePath(QStringLiteral("p.gplt"));
        QVERIFY(QFile::copy(QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt"), geometry));
        QVERIFY(QFile::copy(QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.yaz"),
                            dir.filePath(QStringLiteral("p.yaz"))));
        QVERIFY(QFile::copy(QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.yfn"),
                            dir.filePath(QStringLiteral("p.yfn"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("p.yaz")),
                            dir.filePath(QStringLiteral("resim.png"))));
        QVERIFY(QFile::link(geometry, dir.filePath(QStringLiteral("x-noktalar.dbf"))));
        const DrawingFiles files = FilesFor({geometry});
        auto native = [&](const char* name) { return Native(dir.filePath(QLatin1String(name))); };
        const OutputFormatInfo& shp = *OutputFormatNamed("shp");
        struct Case {
            std::vector<std::string> outputs;
            QString named;  // empty: written
        };
        const std::vector<Case> cases = {
            {{native("p.gplt")}, QStringLiteral("p.gplt")},
            {{native("resim.png")}, QStringLiteral("resim.png")},
            {{native("p.yfn")}, QStringLiteral("p.yfn")},
            {FilesWritten(shp, native("x.shp")), QStringLiteral("x-noktalar.dbf")},
            {{native("pafta-0.svg"), native("pafta-1.svg"), native("p.gplt")},
             QStringLiteral("p.gplt")},
            {FilesWritten(shp, native("y.shp")), QString()},
            {{native("p.pdf")}, QString()},
        };
        QWidget parent;
        for (const Case& c : cases) {
            QString shown;
            // The timer goes with the case: where no box came, it must not fire later, into
            // another test's dialog, with this case's `shown` gone.
            QObject caseScope;
            QTimer::singleShot(50, &caseScope, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    shown = box->text();
                    box->close();
                }
            });
            const bool refused = WritesOverDrawing(&parent, files, c.outputs);
            QCOMPARE(refused, !c.named.isEmpty());
            if (refused) {
                QCOMPARE(shown, QDir::toNativeSeparators(dir.filePath(c.named)) +
                                    QStringLiteral(": açık çizimin girdi dosyası; üzerine "
                                                   "yazılmadı."));
            }
        }
    }

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
        // The table is named by its page in the window.
        QVERIFY(!record->findItems(QStringLiteral("Nirengi"), Qt::MatchExactly, 1).isEmpty());
        uint32_t parcel = 0;
        while (drawing.kind(parcel) != FeatureKind::Parcel) {
            ++parcel;
        }
        canvas.pick(parcel);
        QVERIFY(!record->findItems(QStringLiteral("Ada Parsel"), Qt::MatchExactly, 1).isEmpty());
        QVERIFY(record->findItems(QStringLiteral("StringGrid8"), Qt::MatchContains, 1).isEmpty());
        canvas.pick(n12);

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

        // Another tool takes the mouse and keys from pan and pick, and paints over the picture.
        struct Recorder : CanvasTool {
            QStringList* calls;
            explicit Recorder(QStringList* c) : calls(c) {}
            void activate(DrawingCanvas&) override { *calls << "activate"; }
            void deactivate(DrawingCanvas&) override { *calls << "deactivate"; }
            void mousePress(DrawingCanvas&, QMouseEvent&) override { *calls << "press"; }
            void mouseRelease(DrawingCanvas&, QMouseEvent&) override { *calls << "release"; }
            bool keyPress(DrawingCanvas&, QKeyEvent&) override { return *calls << "key", true; }
            void paint(DrawingCanvas&, QPainter&) override { *calls << "paint"; }
        };
        QStringList calls;
        canvas.setTool(std::make_unique<Recorder>(&calls));
        canvas.select(std::nullopt);
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, at);
        QTest::keyClick(&canvas, Qt::Key_A);
        canvas.repaint();
        canvas.setTool(std::make_unique<PanPickTool>());
        QCOMPARE(canvas.selected(), std::nullopt);
        QCOMPARE(calls,
                 QStringList({"activate", "press", "release", "key", "paint", "deactivate"}));
    }
    // The window keeps following the name it opened, shows a new version only when it is
    // complete, and says while it shows an older one.
    void followsItsFileOnDisk() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("pafta.plt"));
        const QByteArray layer = "TA DETAY -257 1 DUZ 1 0\r\n";
        auto point = [](int n) {
            return QByteArray("PN  && 5123") + QByteArray::number(n) +
                   ".67 4512345.67 DETAY 123.45 0 N." + QByteArray::number(n) + "\r\n";
        };
        const QByteArray three = layer + point(10) + point(11) + point(12);
        const QByteArray one = layer + point(20);
        auto write = [](const QString& to, const QByteArray& bytes) {
            QFile file(to);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(bytes), bytes.size());
        };
        auto shown = [](ViewerWindow& window) {
            return window.canvas().drawing() ? window.canvas().drawing()->drawing.size() : 0;
        };

        ViewerWindow window;
        window.setRemembersRecent(false);
        window.show();  // at its default size, which must fit the (800 x 600) screen
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
        // Opened before it exists: the error is told, and the file opens once it is written.
        QTimer::singleShot(500, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        });
        window.open(FilesFor({path}));
        QTRY_VERIFY_WITH_TIMEOUT(window.staleReason().contains(QStringLiteral("yok")), 5000);
        write(path, three);
        QVERIFY(loaded.wait(5000));
        QCOMPARE(shown(window), 3u);
        QVERIFY(window.staleReason().isEmpty());

        auto expectStale = [&](const char* why, size_t features) {
            QTRY_VERIFY_WITH_TIMEOUT(window.staleReason().contains(QString::fromUtf8(why)), 5000);
            QVERIFY(window.windowTitle().contains(QStringLiteral("[dosyadan eski]")));
            QCOMPARE(shown(window), features);
        };
        auto expectReload = [&](size_t features) {
            QTRY_VERIFY_WITH_TIMEOUT(shown(window) == features && window.staleReason().isEmpty(),
                                     5000);
            QVERIFY(!window.windowTitle().contains(QStringLiteral("[dosyadan eski]")));
        };

        // Removed, then created again with other content.
        QVERIFY(QFile::remove(path));
        expectStale("bulunamadı", 3);
        write(path, one);
        expectReload(1);

        // Replaced by a rename, as editors and our own export save.
        write(path + QStringLiteral(".tmp"), three);
        QVERIFY(std::rename(QFile::encodeName(path + QStringLiteral(".tmp")).constData(),
                            QFile::encodeName(path).constData()) == 0);
        expectReload(3);

        // A folder for a moment.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        expectStale("klasör", 3);
        QVERIFY(QDir().rmdir(path));
        write(path, one);
        expectReload(1);

        // Half written: the last line unfinished is not shown until the file is complete.
        write(path, three.left(three.size() - 20));
        expectStale("eksik", 1);
        QTest::qWait(2500);
        QCOMPARE(shown(window), 1u);
        write(path, three);
        expectReload(3);

        // Emptied: the last good drawing stays.
        write(path, QByteArray());
        expectStale("boş", 3);
        QTest::qWait(1500);
        QCOMPARE(shown(window), 3u);

        // A burst of truncation, garbage and a rename over it ends on the last version.
        write(path, "\x01\x02garbage");
        write(path, QByteArray());
        write(path + QStringLiteral(".tmp"), one);
        QVERIFY(std::rename(QFile::encodeName(path + QStringLiteral(".tmp")).constData(),
                            QFile::encodeName(path).constData()) == 0);
        expectReload(1);
        QTest::qWait(1500);
        QCOMPARE(shown(window), 1u);
        QVERIFY(window.staleReason().isEmpty());
    }

    // Recent files are absolute, whatever folder they were opened from, and the menu names
    // their folder.
    void remembersAbsolutePaths() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString before = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const DrawingFiles files = FilesFor({QStringLiteral("a.gplt"), QStringLiteral("a.yaz")});
        QDir::setCurrent(before);
        QCOMPARE(files.main, QDir(folder.path()).filePath(QStringLiteral("a.gplt")));
        QSettings(QStringLiteral("plotaktar"), QStringLiteral("plotaktar-view")).clear();
        QMenu menu;
        RecentFiles recent(menu);
        recent.remember(files);
        recent.remember(FilesFor({QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt")}));
        recent.remember(files);
        QCOMPARE(recent.entries().size(), 2);
        QCOMPARE(recent.entries()[0], files);
        QCOMPARE(menu.actions().size(), 2);
        QVERIFY(menu.actions()[0]->text().contains(QDir::toNativeSeparators(folder.path())));
        QVERIFY(menu.actions()[0]->toolTip().contains(files.labels));
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

    // A drawing of one point is shown as a metre around it, and a view zoomed in beyond
    // nature's size says its enlargement: the status bar never shows a scale of 1:0.
    void aDrawingOfOnePlaceHasASoundScale() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("p.plt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "PN  && 4512345.67 512345.67 A 0 0 7\r\nPN  && 4512345.67 512345.67 B 0 0 7\r\n");
        file.close();
        ViewerWindow window;
        window.resize(1000, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
        window.open(FilesFor({file.fileName()}));
        QVERIFY(loaded.wait(10000));
        QLabel* scale = window.findChild<QLabel*>(QStringLiteral("scale"));
        QVERIFY(scale);
        // A metre across the canvas' height, less its margins: about 1:6 on a 96 dpi screen.
        QTRY_VERIFY_WITH_TIMEOUT(scale->text().startsWith(QStringLiteral("Ölçek 1:")), 5000);
        const int denominator = scale->text().mid(8).toInt();
        QVERIFY2(denominator >= 2 && denominator <= 20, qPrintable(scale->text()));
        window.canvas().zoomBy(1e9);
        QTRY_COMPARE_WITH_TIMEOUT(scale->text(), QStringLiteral("Ölçek 265:1"), 5000);
    }

    // Label files beside the drawing that differ only in case (S.YAZ, s.YAZ; no s.yaz): none is
    // read, as convert reads none, and the status bar names them instead of showing a drawing
    // without labels as if it had none.
    void namesLabelFilesThatDifferOnlyInCase() {
        QTemporaryDir dir;
        const QByteArray labels = "4512350.00 512340.00 100 2.5 ETIKET 1\r\n";
        WriteFile(dir, "S.YAZ", labels);
        WriteFile(dir, "s.YAZ", labels);
        const QString geometry = WriteFile(dir, "s.gplt", "nok 1 100 100 0 1\r\n");
        const DrawingFiles files = FilesFor({geometry});
        QCOMPARE(files.labels, QString());
        const std::unique_ptr<ViewerWindow> shown = ShownWith(geometry);
        QVERIFY(shown);
        QCOMPARE(shown->statusBar()->currentMessage(),
                 QString::fromUtf8("s.gplt: adı büyük/küçük harf farkıyla aynı olan 2 yazı "
                                   "dosyası var (S.YAZ, s.YAZ); yazılar okunmadı"));
    }

    // A layer whose "Açık/kapalı" is 0 opens unchecked and out of the picture; checking it
    // shows it, and a reload keeps what the user chose.
    void layersSwitchedOffStartUnchecked() {
        QTemporaryDir dir;
        const std::unique_ptr<ViewerWindow> shown =
            ShownWith(WriteFile(dir, "off.gplt",
                                "tab 1 1 ACIK 1 0 1 0.18\r\ntab 2 0 KAPALI 3 0 1 0.18\r\n"
                                "nok 1 100 100 0 1\r\nnok 2 200 200 0 2\r\n"));
        QVERIFY(shown);
        ViewerWindow& window = *shown;
        QCOMPARE(window.canvas().filter().hiddenLayers, std::vector<bool>({false, true}));
        QTreeWidget* panel = window.findChild<QTreeWidget*>(QStringLiteral("panel"));
        auto off =
            panel->findItems(QStringLiteral("KAPALI"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(off.size(), 1);
        QCOMPARE(off[0]->checkState(0), Qt::Unchecked);
        off[0]->setCheckState(0, Qt::Checked);
        QCOMPARE(window.canvas().filter().hiddenLayers, std::vector<bool>({false, false}));
    }

    // Print, preview and the sheet PDF refuse a drawing beyond ±100,000 km with one box, before
    // any dialog of their own, and write nothing.
    void sheetsOfAFarDrawingAreRefusedWithABox() {
        QTemporaryDir dir;
        const std::unique_ptr<ViewerWindow> shown =
            ShownWith(WriteFile(dir, "far.gplt",
                                "tab 1 1 A 1 0 1 0.18\r\nnok 1 4512345.67 512345.67 0 1\r\n"
                                "nok 2 4512345.67 100000000.5 0 1\r\n"));
        QVERIFY(shown);
        ViewerWindow& window = *shown;
        for (const char* caption :
             {"Yazdır…", "Baskı önizlemesi…", "Pafta olarak dışa aktar (PDF)…"}) {
            QAction* action = nullptr;
            for (QAction* a : window.findChildren<QAction*>()) {
                if (a->text() == QString::fromUtf8(caption)) {
                    action = a;
                }
            }
            QVERIFY2(action, caption);
            QStringList boxes;
            // Each modal window that opens is read and closed: only the refusal may open.
            QTimer closer;
            connect(&closer, &QTimer::timeout, [&] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    boxes << (box ? box->text() : modal->metaObject()->className());
                    modal->close();
                }
            });
            closer.start(20);
            action->trigger();
            closer.stop();
            QCOMPARE(boxes, QStringList{QString::fromUtf8(
                                "Pafta çizilemez: koordinatlar ±100.000 km'yi aşıyor.")});
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"far.gplt"});
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
