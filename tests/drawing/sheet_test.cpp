// Sheets at a map scale, measured in what `plotaktar-cli render --scale` writes and read back by
// independent readers (pdfinfo, pdftotext, the PNG's pixels, the SVG's numbers); the layers'
// pens against the AutoCAD palette of ezdxf; the sheet layout's arithmetic.

#include <zlib.h>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <thread>

#include "drawing/drawing.h"
#include "drawing/sheet_layout.h"
#include "model/aci_palette.h"
#include "render/pdf_deflate.h"
#include "render/sheet_painter.h"

using namespace plotaktar;

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
};

Run Command(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// `data` as compress2 deflates it at `level`.
QByteArray Compressed(const QByteArray& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.constData()), static_cast<uLong>(data.size()),
              level);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

Run Render(const QStringList& args) {
    return Command(QStringLiteral(PLOTAKTAR_CLI), QStringList{"render"} + args);
}

// A geometry file of windows-1254 lines with CR LF.
QString WriteDrawing(const QTemporaryDir& dir, const QString& name, const QStringList& lines) {
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    for (const QString& line : lines) {
        file.write(line.toLatin1() + "\r\n");
    }
    return file.fileName();
}

// Two lines of 100 m away from the grid's crosses: one east on layer 1 (red, 0.5 mm), one north
// on layer 2 (blue, no width), one on layer 3, switched off (green), and one dashed on layer 4
// (magenta, 0.25 mm); and a symbol at a point that does not exist.
QString HundredMetres(const QTemporaryDir& dir) {
    return WriteDrawing(
        dir, "hundred.gplt",
        {"tab 1 1 DOGU 1 0 1 0.5", "tab 2 1 KUZEY 5 0 1 0", "tab 3 0 KAPALI 3 0 1 0",
         "hat 1 1030 1040 0 2 1130 1040 0 1", "hat 3 1020 1030 0 4 1020 1130 0 2",
         "hat 5 1030 1060 0 6 1110 1060 0 3", "tab 4 1 KESIK 6 1 1 0.25",
         "hat 7 1030 1080 0 8 1130 1080 0 4", "sem 99 5 1 1 0 1"});
}

// A drawing of points spread `eastStep` and `northStep` metres apart, `columns` x `rows` of
// them, numbered from 9001, each 2 m into a sheet of 1:500 on A4 landscape (130 x 65 m) when
// the steps are whole sheets: no point lies on a sheet's edge.
QStringList SpreadPoints(int columns, int rows, double eastStep, double northStep) {
    QStringList lines{"tab 1 1 NOKTA 1 0 1 0.18"};
    int number = 9001;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            lines << QStringLiteral("nok %1 %2 %3 0 1")
                         .arg(number++)
                         .arg(4500002.0 + row * northStep, 0, 'f', 2)
                         .arg(500002.0 + column * eastStep, 0, 'f', 2);
        }
    }
    return lines;
}

// The same points as a drawing in memory.
Drawing SpreadDrawing(int columns, int rows, double eastStep, double northStep) {
    Drawing drawing;
    const uint16_t layer = drawing.layerIndex("NOKTA", 1);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const Vertex at{500002.0 + column * eastStep, 4500002.0 + row * northStep};
            drawing.add(FeatureKind::Detail, layer, 1, {&at, 1}, "1");
        }
    }
    drawing.finish();
    return drawing;
}

// The words pdftotext finds on page `page` within a box given in millimetres.
QStringList WordsIn(const QString& pdf, int page, double left, double top, double width,
                    double height) {
    auto points = [](double mm) { return QString::number(std::lround(mm * 72 / 25.4)); };
    const QString p = QString::number(page);
    const Run run = Command(QStringLiteral("pdftotext"),
                            {"-f", p, "-l", p, "-x", points(left), "-y", points(top), "-W",
                             points(width), "-H", points(height), pdf, "-"});
    return QString::fromUtf8(run.out).split(QRegularExpression(QStringLiteral("\\s+")),
                                            Qt::SkipEmptyParts);
}

// The box of the pixels of that colour.
QRect BoxOf(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] & 0xffffff) == (colour & 0xffffff)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

}  // namespace

class SheetTest : public QObject {
    Q_OBJECT

  private slots:
    // At 1:1000 a metre is a millimetre: in the SVG's millimetre numbers, and at 254 dpi (10
    // pixels a millimetre) in the PNG's pixels; the pen of 0.5 mm is 5 pixels wide, a layer
    // without a width 0.13 mm (at least a pixel), and a layer switched off is not drawn unless
    // --all-layers.
    void aMetreIsAMillimetreAtOneToAThousand() {
        QTemporaryDir dir;
        const QString drawing = HundredMetres(dir);
        const QString svg = dir.filePath("m.svg");
        const Run run = Render({drawing, "-o", svg, "--scale", "1000"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.contains("1 symbol not drawn: no point of the number 99"),
                 run.err.constData());
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(
            QStringLiteral("width=\"420mm\" height=\"297mm\" viewBox=\"0 0 420 297\"")));
        const QRegularExpression red(QStringLiteral(
            "<path d=\"M([-\\d.]+) ([-\\d.]+)L([-\\d.]+) ([-\\d.]+)\" stroke=\"#ff0000\" "
            "stroke-width=\"([\\d.]+)\""));
        const QRegularExpressionMatch m = red.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text.left(3000)));
        const double length = std::hypot(m.captured(3).toDouble() - m.captured(1).toDouble(),
                                         m.captured(4).toDouble() - m.captured(2).toDouble());
        QVERIFY2(std::fabs(length - 100.0) < 0.05, qPrintable(QString::number(length)));
        QCOMPARE(m.captured(5).toDouble(), 0.5);
        QVERIFY(!text.contains(QStringLiteral("stroke=\"#00ff00\"")));  // switched off
        // Dashes of 2 mm with gaps of 1 mm on paper, whatever the pen's width.
        QVERIFY(text.contains(
            QStringLiteral("stroke=\"#ff00ff\" stroke-width=\"0.25\" stroke-dasharray=\"2 1\"")));

        const QString png = dir.filePath("m.png");
        QCOMPARE(Render({drawing, "-o", png, "--scale", "1000", "--dpi", "254"}).status, 0);
        const QImage image(png);
        QCOMPARE(image.size(), QSize(4200, 2970));
        const QRect east = BoxOf(image, qRgb(255, 0, 0));
        QVERIFY2(std::abs(east.width() - 1000) <= 5, qPrintable(QString::number(east.width())));
        QVERIFY2(std::abs(east.height() - 5) <= 1, qPrintable(QString::number(east.height())));
        const QRect north = BoxOf(image, qRgb(0, 0, 255));
        QVERIFY2(std::abs(north.height() - 1000) <= 5, qPrintable(QString::number(north.height())));
        QVERIFY(north.width() >= 1 && north.width() <= 2);
        QVERIFY(BoxOf(image, qRgb(0, 255, 0)).isEmpty());

        QCOMPARE(
            Render({drawing, "-o", png, "--scale", "1000", "--dpi", "254", "--all-layers"}).status,
            0);
        QVERIFY(std::abs(BoxOf(QImage(png), qRgb(0, 255, 0)).width() - 800) <= 1);
    }

    // The PDF: the paper's page size, the scale and the grid's coordinates as text, fonts
    // embedded; a drawing wider than a sheet gives an index and a page a sheet, in one PDF or
    // in one SVG a page.
    void pdfPagesCarryTheirPaperScaleAndGrid() {
        QTemporaryDir dir;
        const QString drawing = HundredMetres(dir);
        const QString pdf = dir.filePath("s.pdf");
        Run run = Render({drawing, "-o", pdf, "--scale", "1000", "--paper", "A3", "--crs", "TM30",
                          "--title", "Deneme"});
        QCOMPARE(run.status, 0);
        const Run info = Command(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.out.contains("Page size:       1190.55 x 841.89 pts (A3)") ||
                     info.out.contains("Page size:       1191 x 842 pts (A3)"),
                 info.out.constData());
        QVERIFY(info.out.contains("Pages:           1\n"));
        const Run text = Command(QStringLiteral("pdftotext"), {pdf, "-"});
        for (const char* piece :
             {"1/1000", "Y=1000", "Y=1100", "X=1100", "Deneme", "TM30 (EPSG:5254)"}) {
            QVERIFY2(text.out.contains(piece), piece);
        }
        const Run fonts = Command(QStringLiteral("pdffonts"), {pdf});
        const QStringList fontLines =
            QString::fromLatin1(fonts.out).split('\n', Qt::SkipEmptyParts);
        QVERIFY(fontLines.size() > 2);
        for (const QString& line : fontLines.mid(2)) {
            const QStringList fields = line.simplified().split(' ');
            QVERIFY2(fields.at(fields.size() - 5) == QStringLiteral("yes"), qPrintable(line));
        }

        // 1 km east to west at 1:1000 needs three A3 sheets, and the sheet between them with
        // nothing on it is not printed.
        const QString wide =
            WriteDrawing(dir, "wide.gplt",
                         {"tab 1 1 A 1 0 1 0.18", "hat 1 1000 1000 0 2 1100 1000 0 1",
                          "hat 3 1900 1000 0 4 2000 1000 0 1"});
        run = Render({wide, "-o", pdf, "--scale", "1000", "--landscape"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("2 sheets"), run.out.constData());
        QVERIFY(Command(QStringLiteral("pdfinfo"), {pdf}).out.contains("Pages:           3\n"));
        run = Render({wide, "-o", dir.filePath("w.svg"), "--scale", "1000", "--landscape"});
        QCOMPARE(run.status, 0);
        for (const char* name : {"w-0.svg", "w-1.svg", "w-2.svg"}) {
            QVERIFY2(QFileInfo::exists(dir.filePath(QLatin1String(name))), name);
            QCOMPARE(Command(QStringLiteral("xmllint"), {"--noout", dir.filePath(name)}).status, 0);
        }
        QVERIFY(!QFileInfo::exists(dir.filePath("w.svg")));
        QVERIFY(!QFileInfo::exists(dir.filePath("w-3.svg")));
    }

    // Values that make no sheet are refused before anything is read or drawn: status 2 and no
    // file.
    void badSheetValuesAreRefusedWithNothingWritten() {
        QTemporaryDir dir;
        const QString drawing = HundredMetres(dir);
        const QString empty = WriteDrawing(dir, "empty.gplt", {"tab 1 1 A 1 0 1 0.18"});
        const QString diagonal = WriteDrawing(
            dir, "diagonal.gplt", {"tab 1 1 A 1 0 1 0.18", "hat 1 1000 1000 0 2 1100 1100 0 1"});
        const QString out = dir.filePath("o.png");
        const QList<QStringList> refused = {
            {drawing, "-o", out, "--scale", "0"},
            {drawing, "-o", out, "--scale", "-500"},
            {drawing, "-o", out, "--scale", "1000001"},
            // 1:1000 and 1/1000 are 1000; any other ratio is no map scale.
            {drawing, "-o", out, "--scale", "2:1000"},
            {drawing, "-o", out, "--scale", "1:"},
            {drawing, "-o", out, "--scale", "1000", "--paper", "B4"},
            {drawing, "-o", out, "--scale", "1000", "--dpi", "9"},
            {drawing, "-o", out, "--scale", "1000", "--dpi", "2401"},
            {drawing, "-o", out, "--scale", "1000", "--paper", "A0", "--dpi", "600"},
            {drawing, "-o", out, "--scale", "1000", "--crs", "TM31"},
            {drawing, "-o", out, "--paper", "A4"},
            {empty, "-o", out, "--scale", "1000"},
            // Sheets a quarter of a metre wide under a line 141 m long from corner to corner:
            // more than 10,000 of them hold something.
            {diagonal, "-o", out, "--scale", "1"},
        };
        for (const QStringList& args : refused) {
            const Run run = Render(args);
            QVERIFY2(run.status == 2, qPrintable(args.join(' ') + ": " + run.err));
            QVERIFY2(!run.err.isEmpty(), qPrintable(args.join(' ')));
            QVERIFY2(QDir(dir.path()).entryList({"o*"}).isEmpty(), qPrintable(args.join(' ')));
        }
        // --scale auto says what it chose: the most detail that fits one sheet.
        const Run run = Render({drawing, "-o", out, "--scale", "auto", "--paper", "A4"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.contains("--scale auto: 1/1000"), run.err.constData());
    }

    // Sheets of coordinates beyond ±100,000 km are refused, naming the first record that lies
    // there; sheets just within them are drawn. Each row once ran for ever (the grid stepped
    // by less than the spacing of doubles at its coordinate); ctest's TIMEOUT guards them.
    void sheetsBeyondAHundredThousandKilometresAreRefused() {
        struct Row {
            const char* name;    // the file given; a .gplt takes LABELS beside it
            QStringList lines;   // its lines
            QStringList labels;  // the .yaz beside it, if any
            const char* scale;   // --scale
            const char* place;   // the place named, or nullptr: drawn
        };
        const QString layer = QStringLiteral("tab 1 1 A 1 0 1 0.18");
        const QString near = QStringLiteral("nok 1 4512345.67 512345.67 0 1");
        const Row rows[] = {
            {"y16.gplt",
             {layer, near, "nok 2 4512345.67 10000000000000000 0 1"},
             {},
             "1",
             "y16.gplt:3"},
            {"x18.gplt",
             {layer, "nok 2 2000000000000000000 100 0 1", near},
             {},
             "auto",
             "x18.gplt:2"},
            {"west.gplt",
             {layer, near, "hat 1 -100000000.01 0 0 2 5 5 0 1"},
             {},
             "1000",
             "west.gplt:3"},
            {"label.gplt",
             {layer, near},
             {"150000000.00 512405.00 100 2.0 AD   1"},
             "500",
             "label.yaz:1"},
            {"far.plt",
             {"TA A -257 1 DUZ 1 0", "PN  && 512345.67 4512345.67 A 0 0 1",
              "PN  && 5 -3000000000 A 0 0 2"},
             {},
             "auto",
             "far.plt:3"},
            {"edge.gplt", {layer, "nok 2 100000000 -100000000 0 1"}, {}, "1", nullptr},
        };
        for (const Row& row : rows) {
            QTemporaryDir dir;
            const QString name = QLatin1String(row.name);
            const QString input = WriteDrawing(dir, name, row.lines);
            if (!row.labels.isEmpty()) {
                WriteDrawing(dir, QFileInfo(name).completeBaseName() + ".yaz", row.labels);
            }
            const QString out = dir.filePath("o.svg");
            const Run run = Render({input, "-o", out, "--scale", row.scale});
            if (row.place == nullptr) {
                QVERIFY2(run.status == 0, qPrintable(name + ": " + run.err));
                continue;
            }
            QVERIFY2(run.status == 2, qPrintable(name + ": " + run.err));
            const QString expected =
                QString::fromUtf8(
                    "plotaktar-cli: render: coordinates beyond ±100,000 km cannot "
                    "be drawn on sheets (%1)\n")
                    .arg(dir.filePath(QLatin1String(row.place)));
            QVERIFY2(QString::fromUtf8(run.err).endsWith(expected), run.err.constData());
            QVERIFY2(QDir(dir.path()).entryList({"o*"}).isEmpty(), row.name);
        }
    }

    // The painter itself ends at any coordinate, counting crosses and labels by their index: a
    // sheet far beyond what is drawn on sheets, painted as the viewer's print would if asked.
    void theGridEndsAtAnyCoordinate() {
        const struct {
            double east, north;
            int scale;
        } rows[] = {{1e16, 4.5e6, 1}, {5e5, 2e18, 500}, {-3e17, -3e17, 1000}, {1e300, 1, 5000}};
        for (const auto& row : rows) {
            Drawing drawing;
            const Vertex at{row.east, row.north};
            drawing.add(FeatureKind::Detail, drawing.layerIndex("A"), 1, {&at, 1}, "1");
            drawing.finish();
            const Paper a4 = *PaperNamed("A4");
            const std::optional<SheetPlan> plan =
                PlanSheets(drawing.extent(), row.scale, a4, Orientation::Landscape);
            QVERIFY(plan);
            QImage page(297, 210, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&page);
            PaintSheetPage(painter, drawing, *plan, 0, 1.0, true,
                           RenderFilter::LayersAsSwitched(drawing, true), {});
        }
    }

    // "Renk" 1 to 255 is the standard AutoCAD palette, as ezdxf has it (7 is drawn black on
    // paper, not the palette's white).
    void aciPaletteIsTheStandardOne() {
        const Run run = Command(
            QStringLiteral("/usr/bin/python3"),
            {"-c",
             "from ezdxf.colors import DXF_DEFAULT_COLORS as C\nprint(' '.join(map(str, C)))"});
        QCOMPARE(run.status, 0);
        const QStringList values = QString::fromLatin1(run.out).simplified().split(' ');
        QCOMPARE(values.size(), 256);
        for (int i = 1; i < 256; ++i) {
            QVERIFY2(AciRgb(i) == values[i].toUInt(), qPrintable(QString::number(i)));
        }
    }

    // The limit of sheets counts the sheets that hold something, not the cells of the grid
    // around them: 1,600 points 400 m apart at 1:500 on A4 are 1,600 sheets in a grid of more
    // than twice the limit's cells, numbered north to south and west to east, each point on
    // its own; 10,000 such sheets are planned and 10,001 refused, 4 km apart as well (a grid
    // of 18 million cells, never visited one by one; ctest's TIMEOUT guards it).
    void theLimitCountsTheSheetsThatHoldSomething() {
        const Paper a4 = *PaperNamed("A4");
        const Drawing spread = SpreadDrawing(40, 40, 400, 400);
        const std::optional<SheetPlan> plan = PlanDrawingSheets(
            spread, RenderFilter::LayersAsSwitched(spread), 500, a4, Orientation::Auto);
        QVERIFY(plan);
        QCOMPARE(plan->sheets.size(), size_t{1600});
        QVERIFY(double(plan->columns) * plan->rows > 2 * kMostSheets);
        for (size_t i = 0; i < plan->sheets.size(); ++i) {
            const SheetPlan::Sheet& sheet = plan->sheets[i];
            QCOMPARE(sheet.number, int(i) + 1);
            QCOMPARE(plan->sheetAt(sheet.column, sheet.row), &sheet);
            if (i > 0) {
                const SheetPlan::Sheet& before = plan->sheets[i - 1];
                QVERIFY(std::pair(before.row, before.column) < std::pair(sheet.row, sheet.column));
            }
        }
        for (uint32_t f = 0; f < spread.size(); ++f) {
            const Vertex at = spread.vertices(f)[0];
            const Bounds g = plan->ground(plan->sheets[(39 - f / 40) * 40 + f % 40]);
            // Sheet numbers run north to south: the points' northernmost row is sheet 1's.
            QVERIFY2(g.minEast < at.east && at.east < g.maxEast && g.minNorth < at.north &&
                         at.north < g.maxNorth,
                     qPrintable(QString::number(f)));
        }
        QVERIFY(plan->sheetAt(plan->sheets[0].column + 1, plan->sheets[0].row) == nullptr);

        for (const double step : {400.0, 4000.0}) {
            const Drawing most = SpreadDrawing(100, 100, step, step);
            const std::optional<SheetPlan> full = PlanDrawingSheets(
                most, RenderFilter::LayersAsSwitched(most), 500, a4, Orientation::Landscape);
            QVERIFY(full);
            QCOMPARE(full->sheets.size(), size_t{10000});
            const Drawing over = SpreadDrawing(137, 73, step, step);  // 10,001
            QVERIFY(!PlanDrawingSheets(over, RenderFilter::LayersAsSwitched(over), 500, a4,
                                       Orientation::Landscape));
        }
        // A box that alone touches more sheets than the limit is refused at once.
        Drawing line;
        const Vertex ends[2] = {{500000, 4500000}, {600000, 4600000}};
        line.add(FeatureKind::Line, line.layerIndex("HAT", 1), 1, ends, "");
        line.finish();
        QVERIFY(!PlanDrawingSheets(line, RenderFilter::LayersAsSwitched(line), 500, a4,
                                   Orientation::Auto));
    }

    // Sheets grow linearly in their number: 100 and 400 pages of scattered points (every other
    // sheet of the grid empty), and the PDF of four times the pages is at most about four times
    // the bytes. Each page once drew every sheet in its key map, which made the bytes grow with
    // the square of the pages. Each sheet's point number stays text that a search finds.
    void pagesAndBytesGrowLinearlyWithTheSheets() {
        QTemporaryDir dir;
        qint64 bytes[2] = {};
        const int sizes[2][2] = {{9, 11}, {19, 21}};
        for (int i = 0; i < 2; ++i) {
            const QString drawing =
                WriteDrawing(dir, QStringLiteral("s%1.gplt").arg(i),
                             SpreadPoints(sizes[i][0], sizes[i][1], 2 * 130, 2 * 65));
            const QString pdf = dir.filePath(QStringLiteral("s%1.pdf").arg(i));
            const Run run = Render({drawing, "-o", pdf, "--scale", "500", "--paper", "A4",
                                    "--landscape", "--no-labels"});
            QVERIFY2(run.status == 0, run.err.constData());
            const int pages = sizes[i][0] * sizes[i][1] + 1;
            QVERIFY2(
                Command(QStringLiteral("pdfinfo"), {pdf})
                    .out.contains(QStringLiteral("Pages:           %1\n").arg(pages).toLatin1()),
                qPrintable(pdf));
            bytes[i] = QFileInfo(pdf).size();
            // Sheet 1 is the north-west point's: the first of the last row written.
            const QString first = QString::number(9001 + sizes[i][0] * (sizes[i][1] - 1));
            QVERIFY2(WordsIn(pdf, 2, 0, 0, 297, 150).contains(first), qPrintable(first));
        }
        const double perPage[2] = {bytes[0] / 100.0, bytes[1] / 400.0};
        QVERIFY2(
            perPage[1] < 1.1 * perPage[0],
            qPrintable(QStringLiteral("%1 and %2 bytes a page").arg(perPage[0]).arg(perPage[1])));
    }

    // A PDF writes a drawing's texts as glyphs looked up once a byte for its font: every
    // windows-1254 letter is its own character again for a search, a control byte stands as
    // U+FFFD, and a text of the same bytes is the same text whether a label or a point's number.
    void drawingTextsOnAPdfAreTheirLettersForASearch() {
        QTemporaryDir dir;
        const QString drawing = WriteDrawing(
            dir, "letters.gplt",
            {"tab 1 1 A 1 0 1 0.18", "nok 7 4512345.00 512345.00 0 1", "tab 2 1 B 5 0 1 0"});
        QFile labels(dir.filePath("letters.yaz"));
        QVERIFY(labels.open(QIODevice::WriteOnly));
        // ĞÜŞİÖÇ and ğüşıöç on two layers, and "A", a control byte and "B" smaller.
        labels.write(
            "4512350.00 512340.00 100 2.5 \xD0\xDC\xDE\xDD\xD6\xC7   1\r\n"
            "4512330.00 512340.00 100 2.5 \xF0\xFC\xFE\xFD\xF6\xE7   2\r\n"
            "4512340.00 512360.00 100 2.0 A\x01"
            "B   2\r\n");
        labels.close();
        const QString pdf = dir.filePath("letters.pdf");
        const Run run = Render({drawing, labels.fileName(), "-o", pdf, "--scale", "500"});
        QVERIFY2(run.status == 0, run.err.constData());
        const QString text =
            QString::fromUtf8(Command(QStringLiteral("pdftotext"), {pdf, "-"}).out);
        for (const QString& word : {QStringLiteral("ĞÜŞİÖÇ"), QStringLiteral("ğüşıöç"),
                                    QStringLiteral("A\uFFFDB"), QStringLiteral("7")}) {
            QVERIFY2(text.contains(word), qPrintable(word + " in: " + text));
        }
    }

    // While sheets are written, the streams Qt deflates at its default level are deflated at a
    // fast one instead, and only then: other compressions in the process keep their level.
    void pdfStreamsAreDeflatedFastOnlyWhileAsked() {
        // Small enough to be deflated in one piece, as zlib would.
        QByteArray content;
        for (int i = 0; i < 10000; ++i) {
            content += QByteArray::number(i * 37 % 9973) + " 0 Td <00" +
                       QByteArray::number(i % 90 + 10) + "> Tj\n";
        }
        auto deflated = [&](int level) {
            z_stream stream{};
            if (deflateInit(&stream, level) != Z_OK) {
                return QByteArray();
            }
            QByteArray out(static_cast<qsizetype>(deflateBound(&stream, content.size())), '\0');
            stream.next_in = reinterpret_cast<Bytef*>(content.data());
            stream.avail_in = static_cast<uInt>(content.size());
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            const int status = deflate(&stream, Z_FINISH);
            out.resize(static_cast<qsizetype>(stream.total_out));
            deflateEnd(&stream);
            return status == Z_STREAM_END ? out : QByteArray();
        };
        auto atLevel = [&](int level) {
            uLongf size = compressBound(static_cast<uLong>(content.size()));
            QByteArray out(static_cast<qsizetype>(size), '\0');
            compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(content.constData()),
                      static_cast<uLong>(content.size()), level);
            out.resize(static_cast<qsizetype>(size));
            return out;
        };
        const QByteArray usual = deflated(Z_DEFAULT_COMPRESSION);
        QCOMPARE(usual, atLevel(6));
        {
            const FastPdfStreams fast;
            const QByteArray quick = deflated(Z_DEFAULT_COMPRESSION);
            QVERIFY(quick != usual);
            QCOMPARE(quick, atLevel(2));
            // A level asked for by name is kept.
            QCOMPARE(deflated(9), atLevel(9));
            QByteArray back(content.size(), '\0');
            uLongf size = static_cast<uLongf>(back.size());
            QCOMPARE(uncompress(reinterpret_cast<Bytef*>(back.data()), &size,
                                reinterpret_cast<const Bytef*>(quick.constData()),
                                static_cast<uLong>(quick.size())),
                     Z_OK);
            QCOMPARE(back, content);
        }
        QCOMPARE(deflated(Z_DEFAULT_COMPRESSION), usual);
    }

    // A page's content of megabytes is deflated in pieces on both cores: fed as Qt feeds it (in
    // chunks without flushing, then finished into a small buffer again and again), it comes out
    // one zlib stream that inflates to the content (its check value included), about as small
    // as one piece would be; a stream interleaved with it, begun outside, is zlib's own.
    void largePdfStreamsComeOutWholeFromPieces() {
        QByteArray content;
        for (qint64 i = 0; content.size() < 5'000'000; ++i) {
            content += QByteArray::number(i * 7919 % 99991) + ' ' +
                       QByteArray::number(i * 104729 % 88883) + " m\n";
        }
        auto inflated = [](const QByteArray& stream, qsizetype size) {
            QByteArray back(size + 1, '\0');
            uLongf length = static_cast<uLongf>(back.size());
            const int status = uncompress(reinterpret_cast<Bytef*>(back.data()), &length,
                                          reinterpret_cast<const Bytef*>(stream.constData()),
                                          static_cast<uLong>(stream.size()));
            back.resize(static_cast<qsizetype>(length));
            return status == Z_OK ? back : QByteArray("failed");
        };
        const FastPdfStreams fast;
        z_stream page{};
        QCOMPARE(deflateInit(&page, Z_DEFAULT_COMPRESSION), Z_OK);
        z_stream other{};
        QCOMPARE(deflateInit2(&other, 6, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
        QByteArray small = content.left(100'000);
        QByteArray otherOut(200'000, '\0');
        other.next_in = reinterpret_cast<Bytef*>(small.data());
        other.avail_in = static_cast<uInt>(small.size());
        other.next_out = reinterpret_cast<Bytef*>(otherOut.data());
        other.avail_out = static_cast<uInt>(otherOut.size());

        QByteArray out;
        char buffer[65536];
        constexpr qsizetype kChunk = 1'500'000;
        for (qsizetype at = 0; at < content.size(); at += kChunk) {
            QByteArray chunk = content.mid(at, kChunk);
            page.next_in = reinterpret_cast<Bytef*>(chunk.data());
            page.avail_in = static_cast<uInt>(chunk.size());
            page.next_out = reinterpret_cast<Bytef*>(buffer);
            page.avail_out = sizeof buffer;
            QCOMPARE(deflate(&page, Z_NO_FLUSH), Z_OK);
            QCOMPARE(page.avail_in, 0u);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - page.avail_out));
        }
        // zlib's own stream goes on meanwhile, untouched by the gathering.
        QCOMPARE(deflate(&other, Z_FINISH), Z_STREAM_END);
        otherOut.resize(static_cast<qsizetype>(other.total_out));
        QCOMPARE(deflateEnd(&other), Z_OK);
        int status = Z_OK;
        int calls = 0;
        while (status == Z_OK) {
            page.next_out = reinterpret_cast<Bytef*>(buffer);
            page.avail_out = sizeof buffer;
            status = deflate(&page, Z_FINISH);
            out.append(buffer, static_cast<qsizetype>(sizeof buffer - page.avail_out));
            ++calls;
        }
        QCOMPARE(status, Z_STREAM_END);
        QVERIFY(calls > 1);
        QCOMPARE(static_cast<qsizetype>(page.total_out), out.size());
        QCOMPARE(deflateEnd(&page), Z_OK);
        QCOMPARE(inflated(out, content.size()), content);
        if (std::thread::hardware_concurrency() > 1) {
            // The pieces meet at the empty block that ends one on a byte boundary.
            QVERIFY(out.contains(QByteArray("\x00\x00\xff\xff", 4)));
        }
        const qsizetype onePiece = Compressed(content, 2).size();
        QVERIFY2(out.size() < onePiece * 1.01,
                 qPrintable(QString::number(out.size()) + " against " + QString::number(onePiece)));
        QCOMPARE(inflated(otherOut, small.size()), small);
        QCOMPARE(otherOut, Compressed(small, 6));
    }

    // A sheet's key map shows the sheets within two columns and rows of it, numbered; the
    // index shows every sheet's number and none of the drawing's texts.
    void theKeyMapShowsTheNeighboursAndTheIndexEverySheet() {
        QTemporaryDir dir;
        const QString drawing = WriteDrawing(dir, "grid.gplt", SpreadPoints(10, 10, 130, 65));
        const QString pdf = dir.filePath("g.pdf");
        const Run run = Render(
            {drawing, "-o", pdf, "--scale", "500", "--paper", "A4", "--landscape", "--no-labels"});
        QVERIFY2(run.status == 0, run.err.constData());
        QVERIFY(run.out.contains("100 sheets"));
        const PageLayout page = LayOutPage(297, 210);
        const MmRect& key = page.keyMap;
        // Sheet 45 is in row 4 and column 4 (from 0): rows 2 to 6, columns 2 to 6 around it.
        QStringList neighbours;
        for (int row = 2; row <= 6; ++row) {
            for (int column = 2; column <= 6; ++column) {
                neighbours << QString::number(row * 10 + column + 1);
            }
        }
        QStringList shown = WordsIn(pdf, 1 + 45, key.left, key.top, key.width, key.height)
                                .filter(QRegularExpression(QStringLiteral("^\\d+$")));
        shown.sort();
        neighbours.sort();
        QCOMPARE(shown, neighbours);
        // The index: every sheet's number, and not one point number.
        const MmRect& face = page.face;
        const QStringList index = WordsIn(pdf, 1, face.left, face.top, face.width, face.height);
        QCOMPARE(index.size(), 100);
        for (int n = 1; n <= 100; ++n) {
            QVERIFY2(index.contains(QString::number(n)), qPrintable(QString::number(n)));
        }
    }

    // The layout: the map face is whole centimetres inside the paper and above the title
    // block; `--scale auto` takes the most detail that fits one sheet; a drawing just wider
    // than a sheet takes two, starting at a round coordinate.
    void sheetsAreLaidOutAlongRoundCoordinates() {
        const Paper a3 = *PaperNamed("a3");
        const PageLayout page = LayOutPage(a3.longMm, a3.shortMm);
        QCOMPARE(std::fmod(page.face.width, 10.0), 0.0);
        QVERIFY(page.face.left >= 10 && page.face.right() <= a3.longMm - 10);
        QVERIFY(page.face.bottom() < page.titleBlock.top);
        QVERIFY(page.scaleBar.left >= page.northArrow.right());
        QVERIFY(page.scaleBar.right() <= page.titleBlock.left);

        Bounds extent;
        extent.add(500123.4, 4500000.0);
        extent.add(500123.4 + page.face.width * 2.5 - 30, 4500010.0);  // fits at 1:2500
        QCOMPARE(AutoScale(extent, a3, Orientation::Landscape), 2500);
        extent.add(500123.4 + page.face.width * 5 + 1, 4500010.0);
        QCOMPARE(AutoScale(extent, a3, Orientation::Landscape), 5000);
        const std::optional<SheetPlan> plan = PlanSheets(extent, 5000, a3, Orientation::Landscape);
        QVERIFY(plan);
        QCOMPARE(plan->columns, 2);
        QCOMPARE(plan->rows, 1);
        QCOMPARE(std::fmod(plan->originEast, 50.0), 0.0);  // whole centimetres at 1:5000
        QVERIFY(plan->originEast <= extent.minEast);
        QVERIFY(plan->originEast + 2 * plan->sheetEast >= extent.maxEast);
        QCOMPARE(ScaleBarMetres(1000, 60), 50.0);
        QCOMPARE(ScaleBarMetres(5000, 60), 200.0);
    }
};

QTEST_MAIN(SheetTest)
#include "sheet_test.moc"
