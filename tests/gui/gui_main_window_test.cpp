// The window as it opens: its controls, pages, tables and their header rows.
#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "gui_test_support.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "qt/screen_fit.h"

using plotaktar::app::GridModel;
using plotaktar::app::TForm1;

namespace {

struct ExpectedPage {
    const char* caption;
    int grid;
    int columns;
    const char* headers;  // "|"-separated, UTF-8; empty for a table without header texts
};

const ExpectedPage kPages[] = {
    {"Nirengi", 1, 6, "Sıra No|Nokta No|X|Y|Z|Tabaka No"},
    {"poligon", 2, 6, "Sıra No|Nokta No|X|Y|Z|Tabaka No"},
    {"Nokta", 3, 6, "Sıra No|Nokta No|X|Y|Z|Tabaka No"},
    {"Hat", 5, 10, "Sıra No|ilk nokta|y|x|z|son nokta|y|x|z|tabaka"},
    {"Yazı", 6, 11, "Sıra No|Font|x|y|Boy|En|Açı|Tabaka No|İtalik|Merkezi|Yazı"},
    {"Sembol", 7, 7, "Sıra No|Nokta No|Sembol No|Sx|Sy|Açı|Tabaka No"},
    {"Ada Parsel", 8, 6, "Sıra No|Ada No|Parsel No|Alan|Tabaka No|Köse Sayısı"},
    {"Bina", 9, 7, "Sıra No|Bina no|Tarama Aralığı|Tarama Açısı|Kat Adeti|Alan|Tabaka No"},
    {"Şev", 10, 7, "Sıra No|Şev No|Şev Tipi| |Tarama Aralığı|Alan|Tabaka No"},
    {"Tabaka", 4, 7, "Tabaka No|Açık/kapalı|Tabaka Adı|Renk|çizgi Tipi|balastro|kalınlık"},
    {"Ada Parsel Köşe", 11, 9, ""},
    {"bina köşe", 12, 5, ""},
    {"şev köşe", 13, 5, ""},
};

QString CornerText(QTableView* view) {
    auto* corner = view->findChild<QAbstractButton*>();
    return corner ? corner->text() : QStringLiteral("<no corner button>");
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void windowProperties() {
        TForm1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("EN BÜYÜK VOLDA"));
        QCOMPARE(form.pos(), QPoint(152, 267));
        QCOMPARE(form.size(), QSize(1028, 607));
        QCOMPARE(form.font().pointSize(), 8);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        auto* panel = form.findChild<QLabel*>(QStringLiteral("Panel1"));
        QVERIFY(panel);
        QCOMPARE(panel->text(), QStringLiteral("Panel1"));
        QVERIFY(panel->alignment() & Qt::AlignHCenter);
        QCOMPARE(panel->geometry(), QRect(0, 0, 1028, 49));

        auto* open = form.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("AÇ"));
        QCOMPARE(open->geometry(), QRect(16, 5, 49, 41));
        QVERIFY(open->focusPolicy() != Qt::NoFocus);

        auto* save = form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"));
        auto* small = form.findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
        QVERIFY(save && small);
        QCOMPARE(save->text(), QStringLiteral("KAYDET"));
        QCOMPARE(save->geometry(), QRect(80, 8, 57, 33));
        QCOMPARE(small->text(), QString());
        QVERIFY(small->icon().isNull());
        QCOMPARE(small->geometry(), QRect(1000, 8, 25, 25));
        for (QToolButton* button : {save, small}) {
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
            QVERIFY(!button->autoRaise());
        }

        auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QVERIFY(pages);
        QCOMPARE(pages->geometry(), QRect(0, 49, 1028, 558));

        // A wider window keeps the panel 49 pixels high across its width, the pages take the rest.
        form.resize(1200, 700);
        QTRY_COMPARE(panel->geometry(), QRect(0, 0, 1200, 49));
        QTRY_COMPARE(pages->geometry(), QRect(0, 49, 1200, 651));
    }

    void pagesAndTablesAtStart() {
        TForm1 form;
        auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QCOMPARE(pages->count(), 13);
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Ada Parsel Köşe"));

        for (int i = 0; i < 13; ++i) {
            const ExpectedPage& expected = kPages[i];
            const QString where = QStringLiteral("page %1").arg(i + 1);
            QWidget* sheet = pages->widget(i);
            QCOMPARE(sheet->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
            QCOMPARE(pages->tabText(i), QString::fromUtf8(expected.caption));
            auto* view = sheet->findChild<QTableView*>();
            QVERIFY2(view, qPrintable(where));
            QCOMPARE(view->objectName(), QStringLiteral("StringGrid%1").arg(expected.grid));
            QCOMPARE(view, form.grid(expected.grid));

            // Header row and column 0 are the view's headers: four data rows below them.
            QAbstractItemModel* model = view->model();
            QCOMPARE(model->rowCount(), 4);
            QCOMPARE(model->columnCount(), expected.columns - 1);
            const QStringList headers = QString::fromUtf8(expected.headers).split(u'|');
            if (expected.headers[0] == '\0') {
                QCOMPARE(CornerText(view), QString());
                for (int c = 0; c < model->columnCount(); ++c) {
                    QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), QString());
                }
            } else {
                QCOMPARE(headers.size(), expected.columns);
                QCOMPARE(CornerText(view), headers[0]);
                for (int c = 1; c < expected.columns; ++c) {
                    QCOMPARE(model->headerData(c - 1, Qt::Horizontal).toString(), headers[c]);
                }
            }
            for (int r = 0; r < 4; ++r) {
                QCOMPARE(model->headerData(r, Qt::Vertical).toString(), QString());
                for (int c = 0; c < model->columnCount(); ++c) {
                    QCOMPARE(model->data(model->index(r, c)).toString(), QString());
                }
            }
        }
        // The headers come from the Session's own tables.
        QCOMPARE(form.session().workspace.grid(1).cell(0, 0), plotaktar::Cp1254FromUtf8("Sıra No"));
    }

    void tableOptions() {
        TForm1 form;
        for (int grid = 1; grid <= 13; ++grid) {
            QTableView* view = form.grid(grid);
            const QString where = QStringLiteral("StringGrid%1").arg(grid);
            QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
            QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectItems);
            QVERIFY(view->showGrid());
            QVERIFY(!view->tabKeyNavigation());
            QCOMPARE(view->horizontalHeader()->defaultSectionSize(), 64);
            QCOMPARE(view->verticalHeader()->defaultSectionSize(), 24);
            QCOMPARE(view->horizontalHeader()->sectionSize(0), 64);
            QCOMPARE(view->verticalHeader()->sectionSize(0), 24);
            QVERIFY(!view->horizontalHeader()->sectionsMovable());
            QVERIFY(!view->verticalHeader()->sectionsMovable());

            const QHeaderView::ResizeMode columns =
                grid <= 11 ? QHeaderView::Interactive : QHeaderView::Fixed;
            const QHeaderView::ResizeMode rows =
                grid == 11 ? QHeaderView::Interactive : QHeaderView::Fixed;
            QVERIFY2(view->horizontalHeader()->sectionResizeMode(0) == columns, qPrintable(where));
            QVERIFY2(view->verticalHeader()->sectionResizeMode(0) == rows, qPrintable(where));
        }
    }

    void cellsCannotBeEdited() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableView* view = form.grid(11);
        const QModelIndex cell = view->model()->index(1, 1);
        QVERIFY(!(view->model()->flags(cell) & Qt::ItemIsEditable));
        QVERIFY(!view->model()->setData(cell, QStringLiteral("x")));

        view->setFocus();
        view->setCurrentIndex(cell);
        const QRect rect = view->visualRect(cell);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::keyClicks(view, QStringLiteral("abc"));
        QTest::keyClick(view, Qt::Key_F2);
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!view->indexWidget(cell));
        QVERIFY(view->findChildren<QLineEdit*>().isEmpty());
        QCOMPARE(form.session().workspace.grid(11).cell(2, 2), std::string_view());

        // A range of cells can be selected.
        view->selectionModel()->select(
            QItemSelection(view->model()->index(0, 0), view->model()->index(2, 3)),
            QItemSelectionModel::ClearAndSelect);
        QCOMPARE(view->selectionModel()->selectedIndexes().size(), 12);
    }

    void smallButtonChangesNothing() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableView* view = form.grid(1);
        view->selectionModel()->select(view->model()->index(1, 1),
                                       QItemSelectionModel::ClearAndSelect);
        QSignalSpy resets(form.model(1), &QAbstractItemModel::modelReset);
        auto* small = form.findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
        QTest::mouseClick(small, Qt::LeftButton);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(view->selectionModel()->selectedIndexes().size(), 1);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(form.session().workspace.flags.FlagNirengi, std::string());
        QCOMPARE(form.session().workspace.grid(1).rowCount(), 5);
    }

    void commandsRefreshOnlyTheTablesThatChanged() {
        TForm1 form;
        plotaktar::gui_testing::ScriptedUi ui;
        form.setUserInterface(&ui);
        std::vector<std::unique_ptr<QSignalSpy>> resets;
        for (int grid = 1; grid <= 13; ++grid) {
            resets.push_back(
                std::make_unique<QSignalSpy>(form.model(grid), &QAbstractItemModel::modelReset));
        }
        form.grid(1)->selectionModel()->select(form.model(1)->index(1, 1),
                                               QItemSelectionModel::ClearAndSelect);
        // A command that appends many rows still refreshes its table's view with one reset;
        // the other views, and the selection in them, are left alone.
        form.runCommand([](plotaktar::Session& session, plotaktar::UserInterface&) {
            plotaktar::Table& points = session.workspace.grid(3);
            int counter = 0;
            for (int i = 0; i < 1000; ++i) {
                plotaktar::AppendGridRow(points, counter);
            }
        });
        for (int grid = 1; grid <= 13; ++grid) {
            QCOMPARE(resets[static_cast<size_t>(grid - 1)]->count(), grid == 3 ? 1 : 0);
        }
        QCOMPARE(form.model(3)->rowCount(), 1000);
        QCOMPARE(form.model(3)->headerData(999, Qt::Vertical).toString(), QStringLiteral("1000"));
        QCOMPARE(form.grid(1)->selectionModel()->selectedIndexes().size(), 1);
    }

    void anImportFitsThePageOnScreenAndEachOtherWhenShown() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        plotaktar::gui_testing::ScriptedUi ui;
        form.setUserInterface(&ui);
        for (int grid : {1, 8, 11}) {  // the designed layout until an import
            QCOMPARE(form.grid(grid)->columnWidth(1), plotaktar::app::kDefaultColumnWidth);
        }
        // Shows whole in its column, as the view paints it.
        auto whole = [&](int grid, int row, int column) {
            const QTableView* view = form.grid(grid);
            const QString text =
                form.model(grid)->data(form.model(grid)->index(row, column)).toString();
            const int room = view->columnWidth(column) - 1 - 2 * plotaktar::app::kCellPadding;
            return view->fontMetrics().elidedText(text, Qt::ElideRight, room) == text;
        };
        ui.answerOpen(PLOTAKTAR_SAMPLES_DIR "/pafta12.gplt", PLOTAKTAR_SAMPLES_DIR "/pafta12.yaz");
        form.BitBtn1Click();
        auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QCOMPARE(pages->currentWidget()->findChild<QTableView*>(), form.grid(11));
        QVERIFY(whole(11, 0, 0));
        QCOMPARE(form.grid(1)->columnWidth(1), plotaktar::app::kDefaultColumnWidth);
        pages->setCurrentIndex(0);  // "Nirengi": fitted as it is shown
        for (int column = 0; column < 5; ++column) {
            QVERIFY(whole(1, 0, column));
            QVERIFY(form.grid(1)->columnWidth(column) >= plotaktar::app::kDefaultColumnWidth);
        }
        // A column the user sets stays until the next import.
        form.grid(1)->setColumnWidth(1, 30);
        pages->setCurrentIndex(1);
        pages->setCurrentIndex(0);
        QCOMPARE(form.grid(1)->columnWidth(1), 30);
    }

    void everyBoxShowsWhatTheCommandHasWritten() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        std::vector<int> rowsBehindBoxes;
        std::vector<QString> lastCells;
        bool missed = false;
        std::function<void(QMessageBox*)> note = [&](QMessageBox* box) {
            rowsBehindBoxes.push_back(form.model(3)->rowCount());
            const GridModel* model = form.model(3);
            lastCells.push_back(model->data(model->index(model->rowCount() - 1, 1)).toString());
            box->button(QMessageBox::Ok)->click();
        };
        // Two message boxes and then the general error handler's box, each after new rows.
        plotaktar::gui_testing::WhenModal<QMessageBox>(&form, note, &missed);
        form.runCommand([&](plotaktar::Session& session, plotaktar::UserInterface& ui) {
            plotaktar::Table& points = session.workspace.grid(3);
            int counter = 0;
            for (const char* x : {"4512345.67", "4512346.01", "4512347.22"}) {
                plotaktar::AppendGridRow(points, counter);
                points.setCell(2, counter, x);
                if (counter != 2) {
                    ui.showMessage(plotaktar::Cp1254FromUtf8("nokta"));
                    plotaktar::gui_testing::WhenModal<QMessageBox>(&form, note, &missed);
                }
            }
            throw plotaktar::Error("'x' is not a valid integer value");
        });
        QVERIFY(!missed);
        QCOMPARE(rowsBehindBoxes, std::vector<int>({1, 3, 3}));
        QCOMPARE(lastCells,
                 std::vector<QString>({QStringLiteral("4512345.67"), QStringLiteral("4512347.22"),
                                       QStringLiteral("4512347.22")}));
    }

    void windowIsWhollyOnScreen() {
        // The opening place where it fits (a 1920 × 1080 screen), moved and shrunk only as far
        // as it must on a 1366 × 768 laptop and on 1920 × 1080 at 150 % (1280 × 720).
        const QMargins frame(1, 29, 1, 1);
        const QRect wanted(153, 296, 1028, 607);
        QCOMPARE(plotaktar::FitOnScreen(wanted, frame, QRect(0, 0, 1920, 1050)), wanted);
        QCOMPARE(plotaktar::FitOnScreen(wanted, frame, QRect(0, 0, 1366, 768)),
                 QRect(153, 160, 1028, 607));
        QCOMPARE(plotaktar::FitOnScreen(wanted, frame, QRect(0, 0, 1280, 720)),
                 QRect(153, 112, 1028, 607));
        QCOMPARE(plotaktar::FitOnScreen(wanted, frame, QRect(0, 24, 1024, 576)),
                 QRect(1, 53, 1022, 546));

        // The real window on the small screen: frame and client area inside its free area.
        QScreen* laptop = QGuiApplication::screens().value(1);
        QVERIFY(laptop && laptop->size() == QSize(1366, 768));
        TForm1 form;
        form.setScreen(laptop);
        form.move(laptop->geometry().topLeft() + QPoint(152, 267));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(laptop->availableGeometry().contains(form.frameGeometry()));
        QCOMPARE(form.size(), QSize(1028, 607));
        QCOMPARE(form.frameGeometry().left(), laptop->geometry().left() + 152);
    }
};

// Two screens: a desktop one where the window opens as designed, and a laptop one below it.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [
            {"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
            {"name": "laptop", "x": 0, "y": 1080, "width": 1366, "height": 768, "logicalDpi": 96}
        ]})") < 0) {
        return 2;
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "gui_main_window_test.moc"
