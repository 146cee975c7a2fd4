// The viewer's comparison offscreen: the sample's revision on screen compared with the sample,
// the "Değişiklikler" panel filtered and a change chosen, and the comparison made again when
// the old revision changes on disk, and either revision saved again while compared.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <string>

#include "viewer/comparison_panel.h"
#include "viewer/drawing_files.h"
#include "viewer/viewer_window.h"

using namespace plotaktar;
using namespace plotaktar::viewer;

namespace {

QString Sample(const char* name) {
    return QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/") + QLatin1String(name);
}

// Shows `window` with the drawing `now` open and compared with `old`, the comparison done.
bool ShowCompared(ViewerWindow& window, const QString& now, const QString& old) {
    window.setRemembersRecent(false);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
    QSignalSpy compared(&window, &ViewerWindow::comparisonFinished);
    window.open(FilesFor({now}));
    if (!loaded.wait(10000)) {
        return false;
    }
    window.compareWith(FilesFor({old}));
    return compared.wait(10000);
}

// Replaces `from` by `to` in the file at `path`, as an editor saving it would.
bool Rewrite(const QString& path, const QByteArray& from, const QByteArray& to) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray bytes = file.readAll();
    file.close();
    if (!bytes.contains(from)) {
        return false;
    }
    bytes.replace(from, to);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The value the record panel shows under `name`.
QString RecordValue(const QTreeWidget& record, const QString& name) {
    for (int i = 0; i < record.topLevelItemCount(); ++i) {
        if (record.topLevelItem(i)->text(0) == name) {
            return record.topLevelItem(i)->text(1);
        }
    }
    return {};
}

}  // namespace

class ComparisonViewerTest : public QObject {
    Q_OBJECT

  private slots:
    void theRevisionComparedWithTheSample() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The old revision a copy, so that it can change on disk.
        for (const char* name : {"pafta12.gplt", "pafta12.yaz", "pafta12.yfn"}) {
            QVERIFY(QFile::copy(Sample(name), dir.filePath(QLatin1String(name))));
        }
        ViewerWindow window;
        QVERIFY(ShowCompared(window, Sample("revizyon/pafta12.gplt"),
                             dir.filePath(QStringLiteral("pafta12.gplt"))));

        ComparisonPanel& panel = window.comparisonPanel();
        QCOMPARE(panel.model().rowCount(), 14);
        auto* counts = window.findChild<QLabel*>(QStringLiteral("changeCounts"));
        QVERIFY(counts);
        QCOMPARE(counts->text(), QStringLiteral("Değişiklik: 14 (1 silindi, 3 eklendi, 3 kaydı, "
                                                "7 değişti)"));
        QVERIFY(window.changes());

        // Only the divided parcel, chosen: the record panel shows both revisions' records.
        QComboBox& filter = panel.filter();
        const int divided = filter.findData(QStringLiteral("parcel-divided"));
        QVERIFY(divided > 0);
        filter.setCurrentIndex(divided);
        QCOMPARE(panel.model().rowCount(), 1);
        panel.table().selectRow(0);
        auto* record = window.findChild<QTreeWidget*>(QStringLiteral("record"));
        QVERIFY(record);
        QCOMPARE(RecordValue(*record, QStringLiteral("Değişiklik")),
                 QStringLiteral("parcel-divided"));
        QCOMPARE(RecordValue(*record, QStringLiteral("Eski")), QStringLiteral("pafta12.gplt:39"));
        QCOMPARE(RecordValue(*record, QStringLiteral("Eski kayıt")),
                 QStringLiteral("par 105 13 986.75 3"));
        QCOMPARE(RecordValue(*record, QStringLiteral("Yeni kayıt")),
                 QStringLiteral("par 105 14 612.40 3"));

        // Sorted by the kind of change, every change again.
        panel.table().sortByColumn(ChangesModel::Code, Qt::AscendingOrder);
        filter.setCurrentIndex(0);
        QCOMPARE(panel.model().rowCount(), 14);
        QCOMPARE(panel.model()
                     .data(panel.model().index(0, ChangesModel::Code), Qt::DisplayRole)
                     .toString(),
                 QStringLiteral("building-changed"));

        // The old revision changes on disk: compared again, the area of 106/1 now the same.
        QFile old(dir.filePath(QStringLiteral("pafta12.gplt")));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QByteArray bytes = old.readAll();
        old.close();
        bytes.replace("par 106 1 2310.05 3", "par 106 1 2310.50 3");
        QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(old.write(bytes), bytes.size());
        old.close();
        QTRY_COMPARE_WITH_TIMEOUT(panel.model().rowCount(), 13, 10000);

        // Stopped: nothing compared, nothing over the drawing.
        window.compareWith(DrawingFiles());
        QCOMPARE(panel.model().rowCount(), 0);
        QVERIFY(!window.changes());
        QVERIFY(counts->text().isEmpty());
    }

    // Either revision saved again while compared: the drawing on screen reloads and the
    // comparison follows it, its rows and the counts in the status bar; then the same for the
    // old revision.
    void eitherSideSavedAgainIsComparedAgain() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("eski")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("yeni")));
        for (const char* name : {"pafta12.gplt", "pafta12.yaz", "pafta12.yfn"}) {
            const QString file = QLatin1String(name);
            QVERIFY(QFile::copy(Sample(name), dir.filePath(QStringLiteral("eski/") + file)));
            QVERIFY(QFile::copy(Sample((std::string("revizyon/") + name).c_str()),
                                dir.filePath(QStringLiteral("yeni/") + file)));
        }
        const QString oldGeometry = dir.filePath(QStringLiteral("eski/pafta12.gplt"));
        const QString newGeometry = dir.filePath(QStringLiteral("yeni/pafta12.gplt"));
        ViewerWindow window;
        QVERIFY(ShowCompared(window, newGeometry, oldGeometry));
        QSignalSpy loaded(&window, &ViewerWindow::drawingLoaded);
        ComparisonPanel& panel = window.comparisonPanel();
        auto* counts = window.findChild<QLabel*>(QStringLiteral("changeCounts"));
        QVERIFY(counts);
        QCOMPARE(panel.model().rowCount(), 14);
        QCOMPARE(counts->text(), QStringLiteral("Değişiklik: 14 (1 silindi, 3 eklendi, 3 kaydı, "
                                                "7 değişti)"));

        // The open drawing's height of 2510 put back as it was: one change fewer.
        QVERIFY(Rewrite(newGeometry, "nok 2510 4512378.90 512292.30 119.90",
                        "nok 2510 4512378.90 512292.30 119.74"));
        QVERIFY(loaded.wait(10000));
        QTRY_COMPARE_WITH_TIMEOUT(counts->text(),
                                  QStringLiteral("Değişiklik: 13 (1 silindi, 3 eklendi, 3 kaydı, "
                                                 "6 değişti)"),
                                  10000);
        QCOMPARE(panel.model().rowCount(), 13);
        QVERIFY(!panel.model()
                     .match(panel.model().index(0, ChangesModel::Code), Qt::DisplayRole,
                            QStringLiteral("point-height-changed"), 1, Qt::MatchExactly)
                     .size());

        // The old revision's building saved as the new one has it: one fewer again.
        QVERIFY(Rewrite(oldGeometry, "bin 2 2.00 45 2 98.35", "bin 2 2.00 45 3 98.35"));
        QTRY_COMPARE_WITH_TIMEOUT(counts->text(),
                                  QStringLiteral("Değişiklik: 12 (1 silindi, 3 eklendi, 3 kaydı, "
                                                 "5 değişti)"),
                                  10000);
        QCOMPARE(panel.model().rowCount(), 12);

        // And a change made on the open drawing counts at once: the building changed again.
        QVERIFY(Rewrite(newGeometry, "bin 2 2.00 45 3 98.35", "bin 2 2.00 45 4 98.35"));
        QTRY_COMPARE_WITH_TIMEOUT(counts->text(),
                                  QStringLiteral("Değişiklik: 13 (1 silindi, 3 eklendi, 3 kaydı, "
                                                 "6 değişti)"),
                                  10000);
    }
};

QTEST_MAIN(ComparisonViewerTest)
#include "comparison_viewer_test.moc"
