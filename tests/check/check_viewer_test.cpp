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
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "drawing/drawing_loader.h"
#include "viewer/check_panel.h"
#include "viewer/drawing_check.h"
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

        // Each parcel's mark stands beside its name, which is written centred on the place the
        // finding names: no pixel of a mark's red on the name.
        {
            DrawingCanvas& canvas = window.canvas();
            const Drawing& drawing = canvas.drawing()->drawing;
            const QImage picture = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
            int parcels = 0;
            for (uint32_t f = 0; f < drawing.size(); ++f) {
                if (drawing.kind(f) != FeatureKind::Parcel) {
                    continue;
                }
                const Bounds box = drawing.bounds(f);
                const QPointF centre = canvas.view().toScreen((box.minEast + box.maxEast) / 2,
                                                              (box.minNorth + box.maxNorth) / 2);
                const QRect name = QRectF(centre - QPointF(14, 4), QSizeF(28, 8)).toRect();
                int red = 0;
                for (int y = name.top(); y <= name.bottom(); ++y) {
                    for (int x = name.left(); x <= name.right(); ++x) {
                        red += picture.valid(x, y) && picture.pixel(x, y) == qRgb(220, 0, 0);
                    }
                }
                QCOMPARE(red, 0);
                // And the mark is there, just up and to the left of it.
                const QRect beside = QRectF(centre - QPointF(24, 26), QSizeF(24, 20)).toRect();
                int marked = 0;
                for (int y = beside.top(); y <= beside.bottom(); ++y) {
                    for (int x = beside.left(); x <= beside.right(); ++x) {
                        marked += picture.valid(x, y) && picture.pixel(x, y) == qRgb(220, 0, 0);
                    }
                }
                QVERIFY(marked > 20);
                ++parcels;
            }
            QCOMPARE(parcels, 3);
        }

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

    // Every finding names the first feature drawn from its row, and none when its row gives
    // none (a point whose coordinate is no number is not drawn): against a search of them all.
    void eachFindingNamesTheFeatureOfItsRow() {
        QTemporaryDir dir;
        QFile sample(QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QFile file(dir.filePath(QStringLiteral("p.gplt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sample.readAll() +
                   "nok 9001 4512360.1x 512301.45 119.80 8\r\n"
                   "nok 2501 4512361.00 512302.00 119.80 8\r\n");
        file.close();
        ImportObserver quiet;
        const ImportPaths paths{file.fileName().toStdString(), {}, {}};
        const LoadedDrawing loaded = LoadDrawing(paths.geometry, {}, quiet);
        const std::shared_ptr<const DrawingCheck> check = CheckDrawing(loaded, paths, {});
        const Drawing& drawing = loaded.drawing;
        QVERIFY(check->findings.size() >= 5);
        QCOMPARE(check->features.size(), check->findings.size());
        std::set<std::string_view> codes;
        for (size_t k = 0; k < check->findings.size(); ++k) {
            const check::Finding& f = check->findings[k];
            codes.insert(f.code);
            std::optional<uint32_t> first;
            for (uint32_t i = 0; i < drawing.size() && !first; ++i) {
                if (drawing.sourceTable(i) == f.table && drawing.sourceRow(i) == uint32_t(f.row)) {
                    first = i;
                }
            }
            QCOMPARE(check->features[k], first);
        }
        QVERIFY(codes.count("parcel-area") && codes.count("coordinate-unreadable") &&
                codes.count("point-duplicate-number"));
    }

    // A check that runs for seconds (400,000 records of crossed stars, each overlapping the
    // next; no single repair is long, as the check bounds them) stops when another drawing
    // opens, whose findings then arrive, and when the window goes. No clock here: ctest's
    // TIMEOUT fails the test if either waits for it.
    void aLongCheckStopsForTheNextDrawingAndForTheWindowGoing() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("stars.gplt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        std::string text = "tab 1 1 PARSEL 1 0 1 0.35\r\n";
        const int corners = 11;
        char line[96];
        for (int p = 1; p <= 400'000 / (corners + 1); ++p) {
            std::snprintf(line, sizeof line, "par 200 %d 100.00 1\r\n", p);
            text += line;
            for (int k = 0; k < corners; ++k) {
                const double angle = 2 * M_PI * (k * 5 % corners) / corners;
                std::snprintf(line, sizeof line, "200 %d %d %.3f %.3f 0\r\n", p, k + 1,
                              500000 + 15.0 * p + 10 * std::cos(angle),
                              4500000 + 10 * std::sin(angle));
                text += line;
            }
        }
        QCOMPARE(file.write(text.data(), static_cast<qint64>(text.size())),
                 static_cast<qint64>(text.size()));
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
        QTest::qWait(200);  // well into the check
        window->open(FilesFor({QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt")}));
        QVERIFY(checked.wait(600000));
        QCOMPARE(window->checkPanel().model().rowCount(), 3);

        window->open(stars);
        QVERIFY(loaded.wait(10000));
        QTest::qWait(200);
        window.reset();
        QCOMPARE(checked.count(), 1);
    }
};

QTEST_MAIN(CheckViewerTest)
#include "check_viewer_test.moc"
