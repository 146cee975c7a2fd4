// The sample drawing through the window: the open button with the real dialogs, the tables
// after it, and the save button writing the plot file that the sample is known to give.
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "gui_test_support.h"
#include "ui/ui_texts.h"

using plotaktar::app::TForm1;
using plotaktar::gui_testing::WhenModal;

namespace {

QString Sample(const char* name) {
    return QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/") + QLatin1String(name);
}

// Types `path` into the next file dialog and confirms it; `next` arranges the answer to what
// opens after this dialog.
void ConfirmFileDialog(QObject* context, const QString& path, QString* dialogName, bool* missed,
                       const std::function<void()>& next) {
    WhenModal<QFileDialog>(
        context,
        [=](QFileDialog* dialog) {
            *dialogName = dialog->objectName();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            next();
            static_cast<QDialog*>(dialog)->accept();
        },
        missed);
}

// Notes the text and caption of the next message box and presses OK.
void AnswerMessageBox(QObject* context, QString* text, QString* title, bool* missed) {
    WhenModal<QMessageBox>(
        context,
        [=](QMessageBox* box) {
            *text = box->text();
            *title = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        },
        missed);
}

// Runs the open button through its real dialogs with the sample drawing, or with the
// geometry and label files given.
void ImportSample(TForm1& form, const QString& geometry = Sample("pafta12.gplt"),
                  const QString& labels = Sample("pafta12.yaz")) {
    QString first, second, message, title;
    bool missed = false;
    ConfirmFileDialog(&form, geometry, &first, &missed, [&] {
        ConfirmFileDialog(&form, labels, &second, &missed,
                          [&] { AnswerMessageBox(&form, &message, &title, &missed); });
    });
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    QVERIFY(!missed);
    QCOMPARE(first, QStringLiteral("OpenDialog1"));
    QCOMPARE(second, QStringLiteral("OpenDialog2"));
    QCOMPARE(message, QStringLiteral("dosya açıldı"));
    QCOMPARE(title, plotaktar::app::ApplicationTitleText());
}

QString Cell(TForm1& form, int grid, int row, int col) {
    QAbstractItemModel* model = form.grid(grid)->model();
    return model->data(model->index(row, col)).toString();
}

}  // namespace

class ImportTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!QFile::exists(Sample("pafta12.gplt"))) {
            QSKIP("the sample drawing is not in samples/");
        }
    }

    void openButtonFillsTheTables() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        std::vector<std::unique_ptr<QSignalSpy>> resets;
        for (int grid = 1; grid <= 13; ++grid) {
            resets.push_back(
                std::make_unique<QSignalSpy>(form.model(grid), &QAbstractItemModel::modelReset));
        }
        ImportSample(form);
        if (QTest::currentTestFailed()) {
            return;
        }
        // One reset for each table the import wrote; "bina köşe" and "şev köşe" never are.
        for (int grid = 1; grid <= 13; ++grid) {
            QCOMPARE(resets[static_cast<size_t>(grid - 1)]->count(), grid <= 11 ? 1 : 0);
        }

        // Data rows per table: nir 3, pol 4, nok 8, tab 10, hat 5, labels 11, sem 3, par 3,
        // bin 2, sev 2.
        const int rows[] = {3, 4, 8, 10, 5, 11, 3, 3, 2, 2};
        for (int grid = 1; grid <= 10; ++grid) {
            QCOMPARE(form.grid(grid)->model()->rowCount(), rows[grid - 1]);
        }
        QCOMPARE(Cell(form, 1, 0, 0), QStringLiteral("N.12"));
        QCOMPARE(form.grid(1)->model()->headerData(2, Qt::Vertical).toString(),
                 QStringLiteral("3"));
        // The layer table shows the layer numbers in its fixed column and decoded names.
        QCOMPARE(form.grid(4)->model()->headerData(9, Qt::Vertical).toString(),
                 QStringLiteral("10"));
        QCOMPARE(Cell(form, 4, 9, 1), QStringLiteral("ESKİ_SINIR"));
        QCOMPARE(Cell(form, 4, 8, 1), QStringLiteral("AĞAÇ"));
        // The corner table: one column per parcel, titled by block and parcel number.
        QAbstractItemModel* corners = form.grid(11)->model();
        QCOMPARE(corners->columnCount(), 3);
        QCOMPARE(corners->headerData(0, Qt::Horizontal).toString(), QStringLiteral("105/12"));
        QCOMPARE(corners->headerData(2, Qt::Horizontal).toString(), QStringLiteral("106/1"));
        QVERIFY(corners->rowCount() >= 5);
        QVERIFY(!Cell(form, 11, 0, 0).isEmpty());
        QCOMPARE(form.session().geometryDialog.fileName,
                 QFile::encodeName(Sample("pafta12.gplt")).toStdString());
        QVERIFY(!form.grab().isNull());
    }

    void failingRecordsBoxShowsItsRowBehindIt() {
        QTemporaryDir dir;
        const QString geometry = dir.filePath(QStringLiteral("bozuk.gplt"));
        QFile file(geometry);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "nir 12 4512345.67 512345.67 123.45 x\r\nnir 13 4512399.01 512399.01 99.5 3\r\n");
        file.close();
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QStringList boxes, rowsShown;
        bool missed = false;
        QString first, second;
        auto noteBox = [&](QMessageBox* box) {
            boxes << box->text();
            QAbstractItemModel* model = form.grid(1)->model();
            rowsShown << QStringLiteral("%1:%2")
                             .arg(model->rowCount())
                             .arg(Cell(form, 1, model->rowCount() - 1, 1));
            box->button(QMessageBox::Ok)->click();
        };
        ConfirmFileDialog(&form, geometry, &first, &missed, [&] {
            ConfirmFileDialog(&form, dir.filePath(QStringLiteral("yok.yaz")), &second, &missed,
                              [&] {
                                  WhenModal<QMessageBox>(
                                      &form,
                                      [&](QMessageBox* box) {
                                          noteBox(box);
                                          WhenModal<QMessageBox>(
                                              &form,
                                              [&](QMessageBox* warnings) {
                                                  noteBox(warnings);
                                                  WhenModal<QMessageBox>(&form, noteBox, &missed);
                                              },
                                              &missed);
                                      },
                                      &missed);
                              });
        });
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        QVERIFY(!missed);
        QCOMPARE(boxes, QStringList({QStringLiteral("nirengi"),
                                     QStringLiteral("yok.yaz: açılamadı (böyle bir dosya yok); "
                                                    "yazılar okunmadı"),
                                     QStringLiteral("dosya açıldı")}));
        // Behind the failing record's box its row is on screen already, and behind the
        // warnings and the closing box every row of the file.
        QCOMPARE(rowsShown,
                 QStringList({QStringLiteral("1:4512345.67"), QStringLiteral("2:4512399.01"),
                              QStringLiteral("2:4512399.01")}));
    }

    void saveButtonWritesThePlotFile() {
        const QString expectedPath = QStringLiteral(PLOTAKTAR_TESTS_DIR "/cli/data/pafta12.plt");
        QFile expected(expectedPath);
        if (!expected.open(QIODevice::ReadOnly)) {
            QSKIP("no expected plot file for the sample");
        }
        QTemporaryDir dir;
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ImportSample(form);
        if (QTest::currentTestFailed()) {
            return;
        }

        // A name without extension gets ".plt" from the command.
        QString dialogName, message, title;
        bool missed = false;
        ConfirmFileDialog(&form, dir.filePath(QStringLiteral("cikti")), &dialogName, &missed,
                          [&] { AnswerMessageBox(&form, &message, &title, &missed); });
        QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QVERIFY(!missed);
        QCOMPARE(dialogName, QStringLiteral("SaveDialog1"));
        QCOMPARE(message, QStringLiteral("kayıt bitti"));
        QFile written(dir.filePath(QStringLiteral("cikti.plt")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected.readAll());

        // A folder that does not exist: the general error handler shows the failure, with its
        // full stop and the application title, and the window goes on.
        ConfirmFileDialog(&form, dir.filePath(QStringLiteral("yok/cikti.plt")), &dialogName,
                          &missed, [&] { AnswerMessageBox(&form, &message, &title, &missed); });
        QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QVERIFY(!missed);
        QCOMPARE(message, QStringLiteral("Invalid filename."));
        QCOMPARE(title, plotaktar::app::ApplicationTitleText());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("yok"))));
        QCOMPARE(form.grid(1)->model()->rowCount(), 3);
    }

    // The save never writes over a file the open button opened: the error handler says so, no
    // "kayıt bitti", nothing written, the tables as they were.
    void saveRefusesTheOpenDrawingsFiles() {
        QTemporaryDir dir;
        const QString geometry = dir.filePath(QStringLiteral("benim.gplt"));
        const QString labels = dir.filePath(QStringLiteral("benim.yaz"));
        QVERIFY(QFile::copy(Sample("pafta12.gplt"), geometry));
        QVERIFY(QFile::copy(Sample("pafta12.yaz"), labels));
        QFile original(Sample("pafta12.gplt"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ImportSample(form, geometry, labels);
        if (QTest::currentTestFailed()) {
            return;
        }
        const int rows = form.grid(1)->model()->rowCount();
        QString dialogName, message, title;
        bool missed = false;
        ConfirmFileDialog(&form, geometry, &dialogName, &missed,
                          [&] { AnswerMessageBox(&form, &message, &title, &missed); });
        QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QVERIFY(!missed);
        QCOMPARE(message, QStringLiteral("benim.gplt: açık çizimin girdi dosyası; üzerine "
                                         "yazılmadı."));
        QCOMPARE(title, plotaktar::app::ApplicationTitleText());
        QFile kept(geometry);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
        QCOMPARE(form.grid(1)->model()->rowCount(), rows);
    }

    void warningsComeInOneBoxAndAHugeFieldIsQuotedShort() {
        QTemporaryDir dir;
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        };
        write("hpgl.gplt", "IN;SP1;PU0,0;PD100,100;\r\n");
        write("lf.yaz", "1 2 3 4 ab   1\n");
        write("big.gplt", "tab 1 1 A 7 0 1 0\r\nnok 1 2 3 4 " + QByteArray(5 << 20, '7') + "x\r\n");
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // Notes the texts of the next `count` message boxes and closes each; then runs `next`.
        QStringList boxes;
        bool missed = false;
        std::function<void(int, std::function<void()>)> answer = [&](int count,
                                                                     std::function<void()> next) {
            WhenModal<QMessageBox>(
                &form,
                [&, count, next](QMessageBox* box) {
                    boxes << box->text();
                    if (count > 1) {
                        answer(count - 1, next);
                    } else if (next) {
                        next();
                    }
                    box->button(QMessageBox::Ok)->click();
                },
                &missed, 3000);  // the 5 MB field's import and export on a busy machine
        };
        auto click = [&](const char* button, const QString& geometry, const QString& labels,
                         int boxCount) {
            QString name;
            ConfirmFileDialog(&form, geometry, &name, &missed, [&, labels, boxCount] {
                if (labels.isEmpty()) {
                    answer(boxCount, nullptr);
                } else {
                    ConfirmFileDialog(&form, labels, &name, &missed,
                                      [&, boxCount] { answer(boxCount, nullptr); });
                }
            });
            QTest::mouseClick(form.findChild<QAbstractButton*>(QLatin1String(button)),
                              Qt::LeftButton);
        };

        click("BitBtn1", dir.filePath("hpgl.gplt"), dir.filePath("lf.yaz"), 2);
        QVERIFY(!missed);
        QCOMPARE(boxes, QStringList({QStringLiteral("hpgl.gplt: hiç kayıt bulunamadı\n"
                                                    "lf.yaz: satır başı karakteri (CR) yok, dosya "
                                                    "tek satır olarak okundu; unix2dos ile "
                                                    "dönüştürün"),
                                     QStringLiteral("dosya açıldı")}));

        // A label file that does not exist is named in the warning box. The export's error box
        // quotes 100 characters of the 5 MB field, then "…".
        boxes.clear();
        click("BitBtn1", dir.filePath("big.gplt"), dir.filePath("none.yaz"), 3);
        click("SpeedButton1", dir.filePath("out.plt"), QString(), 1);
        QVERIFY(!missed);
        QCOMPARE(boxes,
                 QStringList(
                     {QStringLiteral("nokta"),
                      QStringLiteral("none.yaz: açılamadı (böyle bir dosya yok); yazılar okunmadı"),
                      QStringLiteral("dosya açıldı"),
                      "'" + QString(100, '7') + "…' is not a valid integer value."}));
        QVERIFY(!QFile::exists(dir.filePath("out.plt")));

        // A geometry file that does not exist: the label file is not tried.
        boxes.clear();
        click("BitBtn1", dir.filePath("nowhere.gplt"), dir.filePath("none.yaz"), 2);
        QVERIFY(!missed);
        QCOMPARE(boxes, QStringList({QStringLiteral("nowhere.gplt: açılamadı (böyle bir dosya "
                                                    "yok); hiçbir dosya okunmadı"),
                                     QStringLiteral("dosya açıldı")}));

        // Two companions that differ only in case, and a label file saved as UTF-8.
        write("u.gplt", "nir 1 2 3 4 1\r\n");
        write("u.yaz",
              "1 2 3 4 \xC5\x9F"
              "ehir   1\r\n");
        write("u.YFN", "");
        write("U.yfn", "");
        boxes.clear();
        click("BitBtn1", dir.filePath("u.gplt"), dir.filePath("u.yaz"), 2);
        QVERIFY(!missed);
        QCOMPARE(boxes, QStringList({QStringLiteral("u.yfn: adı büyük/küçük harf farkıyla aynı "
                                                    "olan 2 dosya var (U.yfn, u.YFN); hiçbiri "
                                                    "okunmadı\n"
                                                    "u.yaz: UTF-8 gibi görünüyor; dosyalar "
                                                    "windows-1254 olmalı"),
                                     QStringLiteral("dosya açıldı")}));
    }
};

QTEST_MAIN(ImportTest)
#include "gui_import_test.moc"
