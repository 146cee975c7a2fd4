// The table model and view over a core table: header mapping, decoding, refresh, big tables.
#include <QAbstractButton>
#include <QClipboard>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTableView>
#include <QTest>

#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/qt_text.h"
#include "model/cp1254.h"
#include "model/table.h"

using plotaktar::Cp1254FromUtf8;
using plotaktar::Table;
using plotaktar::app::CreateGridView;
using plotaktar::app::GridModel;
using plotaktar::app::GridSizing;

class GridModelTest : public QObject {
    Q_OBJECT

  private slots:
    void decodingAgreesWithQtCodec() {
        QStringDecoder decoder("windows-1254");
        QVERIFY(decoder.isValid());
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            const QString qt = decoder.decode(QByteArrayView(&c, 1));
            const QString ours = plotaktar::app::FromCp1254(std::string_view(&c, 1));
            QVERIFY2(qt.size() == 1 && qt == ours,
                     qPrintable(QStringLiteral("byte 0x%1: Qt U+%2, ours U+%3")
                                    .arg(byte, 2, 16, QLatin1Char('0'))
                                    .arg(qt.isEmpty() ? 0 : qt[0].unicode(), 4, 16)
                                    .arg(ours.isEmpty() ? 0 : ours[0].unicode(), 4, 16)));
            QCOMPARE(ours[0].unicode(), plotaktar::Cp1254ToUnicode(static_cast<unsigned char>(c)));
        }
    }

    void fixedRowAndColumnAreTheHeaders() {
        Table table(4, 3);
        table.setCell(0, 0, Cp1254FromUtf8("Sıra No"));
        table.setCell(1, 0, Cp1254FromUtf8("Şev No"));
        table.setCell(3, 0, "Z");
        table.setCell(0, 1, "1");
        table.setCell(0, 2, "2");
        table.setCell(1, 1, Cp1254FromUtf8("ığüşöçİĞÜŞÖÇ"));
        table.setCell(3, 2, std::string_view("a\0b", 3));
        GridModel model(table);

        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.cornerText(), QStringLiteral("Sıra No"));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Şev No"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString());
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Z"));
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("ığüşöçİĞÜŞÖÇ"));
        QCOMPARE(model.data(model.index(1, 2)).toString(), QString::fromUtf16(u"a\0b", 3));
        QVERIFY(!model.data(model.index(0, 0), Qt::EditRole).isValid());
        QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
        QCOMPARE(model.flags(model.index(0, 0)),
                 Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
    }

    void longCellsAreShownCut() {
        // A file without line ends can make a cell of many megabytes; the view shows its start.
        const std::string huge(5'000'000, 'x');
        const std::string fits(GridModel::kMaxDisplayChars, 'y');
        Table table(3, 3);
        table.setCell(1, 1, huge);
        table.setCell(2, 1, fits);
        table.setCell(1, 0, huge);
        GridModel model(table);
        const QString shown = model.data(model.index(0, 0)).toString();
        QCOMPARE(shown.size(), qsizetype(GridModel::kMaxDisplayChars + 1));
        QVERIFY(shown.startsWith(QString(GridModel::kMaxDisplayChars, u'x')));
        QCOMPARE(shown.back(), QChar(0x2026));
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString::fromStdString(fits));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), shown);
        QCOMPARE(table.cell(1, 1).size(), huge.size());
    }

    void countsFollowTheTableOnlyAtRefresh() {
        Table table(3, 5);
        table.setCell(1, 4, "old");
        GridModel model(table);
        QTableView* view = CreateGridView(&model, GridSizing::Columns, nullptr);
        auto* corner = view->findChild<QAbstractButton*>();
        QVERIFY(corner);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        // Lowering the count hides the row; its cell survives and shows again after raising.
        table.setRowCount(2);
        QCOMPARE(model.rowCount(), 4);
        model.refresh();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(!model.data(model.index(3, 0)).isValid());
        table.setRowCount(5);
        table.setColCount(1);
        table.setCell(0, 0, "k");
        model.refresh();
        QCOMPARE(model.columnCount(), 0);
        QCOMPARE(corner->text(), QStringLiteral("k"));
        table.setColCount(3);
        model.refresh();
        QCOMPARE(model.data(model.index(3, 0)).toString(), QStringLiteral("old"));
        QCOMPARE(resets.count(), 3);
        // Nothing changed since: no reset, whatever the table's size.
        table.setRowCount(5);
        QVERIFY(!model.refresh());
        QCOMPARE(resets.count(), 3);
        delete view;
    }

    void copyKeyCopiesTheSelectionAsTabSeparatedRows() {
        Table table(6, 6);
        for (int row = 1; row < 6; ++row) {
            for (int col = 1; col < 6; ++col) {
                table.setCell(col, row, std::to_string(row) + std::to_string(col));
            }
        }
        table.setCell(2, 1, Cp1254FromUtf8("İĞ Şev"));
        table.setCell(3, 1, "a\tb \"c\"");
        GridModel model(table);
        QTableView* view = CreateGridView(&model, GridSizing::Columns, nullptr);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QClipboard* clipboard = QGuiApplication::clipboard();

        // A 2 × 3 range: two lines of three cells, decoded; a tab inside a cell is quoted.
        QItemSelectionModel* selection = view->selectionModel();
        selection->select(QItemSelection(model.index(0, 0), model.index(1, 2)),
                          QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("11\tİĞ Şev\t\"a\tb \"\"c\"\"\"\n21\t22\t23\n"));

        // Two ranges copy their bounding rows and columns, empty where not selected.
        selection->select(QItemSelection(model.index(1, 1), model.index(1, 1)),
                          QItemSelectionModel::ClearAndSelect);
        selection->select(QItemSelection(model.index(3, 3), model.index(4, 3)),
                          QItemSelectionModel::Select);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("22\t\t\n\t\t\n\t\t44\n\t\t54\n"));

        // Nothing selected leaves the clipboard as it was.
        selection->clearSelection();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("22\t\t\n\t\t\n\t\t44\n\t\t54\n"));
        delete view;
    }

    void cutTextsShowWholeInTooltipAndFitOnDoubleClick() {
        const std::string coordinate = "4512345.67";
        const std::string label = "ESKİ SINIR HATTI VE YOL";
        Table table(3, 2001);
        table.setCell(1, 0, Cp1254FromUtf8(label));
        table.setCell(1, 1, coordinate);
        table.setCell(2, 1, coordinate);
        table.setCell(2, 2000, std::string(200, 'w'));  // far below the rows in view
        GridModel model(table);
        QTableView* view = CreateGridView(&model, GridSizing::Columns, nullptr);
        view->resize(600, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));

        QCOMPARE(model.data(model.index(0, 0), Qt::ToolTipRole).toString(),
                 QString::fromStdString(coordinate));
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QString::fromUtf8(label));
        QVERIFY(!model.data(model.index(1, 0), Qt::ToolTipRole).isValid());

        // A double click on a column's right border fits it to the texts in view and its
        // header; a long text out of view does not widen it.
        QHeaderView* columns = view->horizontalHeader();
        const QFontMetrics metrics(view->font());
        for (int col : {0, 1}) {
            const int border =
                columns->sectionViewportPosition(col) + columns->sectionSize(col) - 1;
            QTest::mouseDClick(columns->viewport(), Qt::LeftButton, {},
                               QPoint(border, columns->height() / 2));
        }
        QVERIFY(columns->sectionSize(0) >= metrics.horizontalAdvance(QString::fromUtf8(label)));
        QVERIFY(columns->sectionSize(1) >=
                metrics.horizontalAdvance(QString::fromStdString(coordinate)));
        QVERIFY(columns->sectionSize(1) < metrics.horizontalAdvance(QString(200, u'w')));

        // The fit is exact: the fitted column shows each coordinate whole, never cut by the
        // fraction of a pixel that a rounded width would miss.
        for (const char* number : {"4512345.67", "512301.45", "4512372.48", "119.95", "11111.11",
                                   "4444444.44", "9999999.99", "0.07", "512318.02"}) {
            table.setCell(2, 1, number);
            model.refresh();
            view->resizeColumnToContents(1);
            const int room = columns->sectionSize(1) - 1 - 2 * plotaktar::app::kCellPadding;
            QCOMPARE(metrics.elidedText(QString::fromLatin1(number), Qt::ElideRight, room),
                     QString::fromLatin1(number));
            QVERIFY(columns->sectionSize(1) <=
                    metrics.horizontalAdvance(number) + 2 * plotaktar::app::kCellPadding + 2);
        }
        delete view;
    }

    void millionRowsAndHundredThousandColumns() {
        // Row counts alone: cells never written cost nothing and read as empty.
        Table tall(6, 1'000'001);
        tall.setCell(0, 1'000'000, "1000000");
        tall.setCell(5, 1'000'000, "son");
        GridModel tallModel(tall);
        QTableView* view = CreateGridView(&tallModel, GridSizing::RowsAndColumns, nullptr);
        view->resize(800, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->verticalHeader()->count(), 1'000'000);
        QCOMPARE(view->verticalHeader()->length(), 24'000'000);
        view->scrollToBottom();
        QVERIFY(!view->grab().isNull());
        QCOMPARE(view->indexAt(view->visualRect(tallModel.index(999'999, 4)).center()),
                 tallModel.index(999'999, 4));
        QCOMPARE(tallModel.headerData(999'999, Qt::Vertical).toString(), QStringLiteral("1000000"));
        QCOMPARE(tallModel.data(tallModel.index(999'999, 4)).toString(), QStringLiteral("son"));
        delete view;

        Table wide(100'001, 5);
        wide.setCell(100'000, 0, "105/12");
        GridModel wideModel(wide);
        view = CreateGridView(&wideModel, GridSizing::RowsAndColumns, nullptr);
        view->resize(800, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->horizontalHeader()->length(), 6'400'000);
        view->scrollTo(wideModel.index(0, 99'999));
        QVERIFY(!view->grab().isNull());
        QCOMPARE(wideModel.headerData(99'999, Qt::Horizontal).toString(), QStringLiteral("105/12"));
        delete view;
    }
};

QTEST_MAIN(GridModelTest)
#include "gui_grid_model_test.moc"
