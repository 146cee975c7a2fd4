// The renderer at known pixels, the sample drawn from its tables and from its plot file, and
// `plotaktar-cli render` as a process without a display.

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>

#include "drawing/drawing_loader.h"
#include "drawing/drawing_sources.h"
#include "plotfile/plot_writer.h"
#include "render/pdf_face.h"
#include "render/recorded_picture.h"
#include "render/render_file.h"

using namespace plotaktar;

namespace {

QString Sample(const char* name) {
    return QStringLiteral(PLOTAKTAR_SAMPLES_DIR "/") + QLatin1String(name);
}

QImage Paint(const Drawing& drawing, const ViewTransform& view, const RenderFilter& filter = {},
             RenderStats* stats = nullptr) {
    QImage image(view.width, view.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderStats s = RenderDrawing(painter, drawing, view, filter);
    if (stats) {
        *stats = s;
    }
    return image;
}

// The box of the pixels that are not white.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Every kind on two layers, pens and layers changing, labels turned, centred and at sizes a
// text run cannot take, Turkish letters among them.
Drawing MixedDrawing() {
    Drawing drawing;
    const uint16_t a = drawing.layerIndex("A", 1);
    const uint16_t b = drawing.layerIndex("B", 5);
    uint32_t row = 0;
    for (int i = 0; i < 60; ++i) {
        const double x = 10 * (i % 8), y = 9 * (i / 8);
        const uint16_t layer = i % 3 == 0 ? b : a;
        const Vertex line[2] = {{x, y}, {x + 7.3, y + 4.1}};
        drawing.add(FeatureKind::Line, layer, ++row, line, {});
        const Vertex parcel[4] = {{x, y}, {x + 5, y}, {x + 5, y + 3}, {x, y + 3}};
        drawing.add(FeatureKind::Parcel, layer, ++row, parcel, "101/7");
        const FeatureKind kinds[3] = {FeatureKind::Triangulation, FeatureKind::Traverse,
                                      FeatureKind::Detail};
        const Vertex point[1] = {{x + 2, y + 6}};
        drawing.add(kinds[i % 3], layer, ++row, point, std::to_string(1000 + i));
        drawing.addSymbol(layer, ++row, {x + 4, y + 7}, std::to_string(i), 1 + i % 3, 1, i * 13.0);
        const Vertex at[1] = {{x + 1, y + 1}};
        drawing.add(FeatureKind::Label, layer, ++row, at, "Yaz\xFD " + std::to_string(i),
                    i == 7 ? 1e-6 : 1.0 + i % 2, i * 7.0, i % 4 == 0);
    }
    drawing.finish();
    return drawing;
}

// How a picture reaches a PDF's page.
enum class Face { Painted, Recorded, Written };

// The PDF of `drawing`'s picture, on A4 at 1200 units an inch, clipped and placed as a sheet's
// face is: painted with the painter, or made on another thread and recorded or written as page
// content. Everything but the moment it was made.
QByteArray FacePdf(const Drawing& drawing, Face how, bool* complete = nullptr) {
    ViewTransform view;
    view.width = 4000;
    view.height = 3000;
    view.scale = 45;
    view.centerEast = 40;
    view.centerNorth = 30;
    const PaperUnits paper = PaperUnits::Sheet(47.24, false);
    const QRectF clip(100, 100, 3500, 2600);
    const QPointF origin(150, 120);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const RecordingFonts fonts(paper);
    QPdfWriter writer(&buffer);
    writer.setResolution(1200);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    if (how == Face::Written) {
        const std::unique_ptr<PdfFaceFont> font = PdfFaceFont::Prepare(
            painter, fonts.labels.rawFont(), fonts.names.rawFont(), BytesOfTexts(drawing));
        if (font == nullptr) {
            return {};
        }
        std::string content;
        std::thread([&] {
            PdfContentWriter face(*font);
            WritePdfDrawing(face, fonts, drawing, view, {}, paper);
            if (complete != nullptr) {
                *complete = face.complete();
            }
            content = face.take();
        }).join();
        if (!AppendPdfContent(painter, clip, origin, content, font.get())) {
            return {};
        }
    } else {
        painter.setClipRect(clip);
        painter.translate(origin);
        if (how == Face::Recorded) {
            RecordedPicture picture;
            std::thread([&] { RecordDrawing(picture, fonts, drawing, view, {}, paper); }).join();
            picture.paint(painter);
        } else {
            RenderDrawing(painter, drawing, view, {}, paper);
        }
    }
    painter.end();
    return QString::fromLatin1(bytes)
        .replace(QRegularExpression(QStringLiteral("/CreationDate \\([^)]*\\)")), {})
        .toLatin1();
}

// What a program prints for `args`.
QByteArray Output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

}  // namespace

class RenderTest : public QObject {
    Q_OBJECT

  private slots:
    // A PDF's picture recorded on another thread and painted afterwards is the picture painted
    // directly, byte for byte: every kind, pens and layers changing, labels turned and at sizes
    // a run cannot take, a translated and clipped painter.
    void aRecordedPictureIsThePictureItRecorded() {
        const Drawing drawing = MixedDrawing();
        const QByteArray direct = FacePdf(drawing, Face::Painted);
        QVERIFY(direct.size() > 10000);
        QCOMPARE(FacePdf(drawing, Face::Recorded), direct);
    }

    // A face written as page content on another thread shows what the painter paints: the same
    // pixels, the same words at the same places for a search, one embedded font.
    void aFaceWrittenAsPageContentIsThePicturePainted() {
        const Drawing drawing = MixedDrawing();
        QTemporaryDir dir;
        const QString painted = dir.filePath(QStringLiteral("painted.pdf"));
        const QString written = dir.filePath(QStringLiteral("written.pdf"));
        for (const auto& [path, how] :
             {std::pair{painted, Face::Painted}, std::pair{written, Face::Written}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray pdf = FacePdf(drawing, how);
            QVERIFY(pdf.size() > 10000);
            file.write(pdf);
        }
        // Pixels at 100 dots an inch, grey: only anti-aliasing may differ, and hardly.
        auto pixels = [&](const QString& pdf) {
            const QString stem = pdf + QStringLiteral(".page");
            Output(QStringLiteral("pdftoppm"), {"-r", "100", "-gray", "-singlefile", pdf, stem});
            return QImage(stem + QStringLiteral(".pgm"));
        };
        const QImage a = pixels(painted), b = pixels(written);
        QVERIFY(!a.isNull());
        QCOMPARE(b.size(), a.size());
        int ink = 0, differ = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const int ga = qGray(a.pixel(x, y)), gb = qGray(b.pixel(x, y));
                ink += ga < 128;
                differ += std::abs(ga - gb) > 64;
            }
        }
        QVERIFY2(ink > 5000, qPrintable(QString::number(ink)));
        QVERIFY2(differ <= ink / 1000, qPrintable(QString::number(differ)));
        // The words and where they stand, within a twentieth of a point.
        struct Word {
            QString text;
            double box[4];
        };
        auto words = [](const QString& pdf) {
            const QString html =
                QString::fromUtf8(Output(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}));
            std::vector<Word> found;
            const QRegularExpression word(
                QStringLiteral("<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" "
                               "xMax=\"([-0-9.]+)\" yMax=\"([-0-9.]+)\">([^<]*)</word>"));
            for (auto m = word.globalMatch(html); m.hasNext();) {
                const QRegularExpressionMatch w = m.next();
                found.push_back({w.captured(5),
                                 {w.captured(1).toDouble(), w.captured(2).toDouble(),
                                  w.captured(3).toDouble(), w.captured(4).toDouble()}});
            }
            std::sort(found.begin(), found.end(), [](const Word& one, const Word& other) {
                return std::tie(one.text, one.box[1], one.box[0]) <
                       std::tie(other.text, other.box[1], other.box[0]);
            });
            return found;
        };
        const std::vector<Word> expected = words(painted);
        const std::vector<Word> found = words(written);
        QVERIFY(expected.size() > 200);
        QCOMPARE(found.size(), expected.size());
        bool turkish = false;
        for (size_t i = 0; i < found.size(); ++i) {
            QCOMPARE(found[i].text, expected[i].text);
            turkish = turkish || found[i].text == QStringLiteral("Yazı");
            for (int c = 0; c < 4; ++c) {
                QVERIFY2(std::fabs(found[i].box[c] - expected[i].box[c]) < 0.05,
                         qPrintable(found[i].text));
            }
        }
        QVERIFY(turkish);
        // The texts' font embedded once, with its letters for a search.
        const QString fonts = QString::fromUtf8(Output(QStringLiteral("pdffonts"), {written}));
        QCOMPARE(fonts.count(QRegularExpression(QStringLiteral("\\nDejaVuSans +CID TrueType +"
                                                               "Identity-H +yes +(no|yes) +yes"))),
                 1);
    }

    // A text whose letter the PDF's font was not given is not written without it: the face
    // says it is incomplete, and a sheet then paints it through the painter.
    void aFaceNeedingAGlyphNotInTheFontIsIncomplete() {
        Drawing drawing = MixedDrawing();
        bool complete = true;
        QVERIFY(!FacePdf(drawing, Face::Written, &complete).isEmpty());
        QVERIFY(complete);
        // Prepared for the texts of another drawing, without the dotless ı of "Yazı".
        Drawing other;
        const uint16_t layer = other.layerIndex("A", 1);
        const Vertex at[1] = {{1, 1}};
        other.add(FeatureKind::Label, layer, 1, at, "Yaz\xFD", 1.0, 0, false);
        other.finish();
        ViewTransform view;
        view.width = view.height = 1000;
        view.scale = 45;
        const PaperUnits paper = PaperUnits::Sheet(47.24, false);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const RecordingFonts fonts(paper);
        QPdfWriter writer(&buffer);
        QPainter painter(&writer);
        std::array<bool, 256> some = BytesOfTexts(drawing);
        some[0xFD] = false;
        const std::unique_ptr<PdfFaceFont> font =
            PdfFaceFont::Prepare(painter, fonts.labels.rawFont(), fonts.names.rawFont(), some);
        QVERIFY(font != nullptr);
        PdfContentWriter face(*font);
        WritePdfDrawing(face, fonts, other, view, {}, paper);
        QVERIFY(!face.complete());
        QVERIFY(BytesOfTexts(other)[0xFD]);
    }

    void linesAtKnownPixelsInTheirLayerColour() {
        Drawing drawing;
        uint16_t red = drawing.layerIndex("R", 1);
        uint16_t other = drawing.layerIndex("O", 0);
        const Vertex across[2] = {{0, 50}, {100, 50}};
        const Vertex up[2] = {{25, 0}, {25, 100}};
        const Vertex tiny[2] = {{70, 70}, {70.001, 70}};
        drawing.add(FeatureKind::Line, red, 1, across, {});
        drawing.add(FeatureKind::Line, other, 2, up, {});
        drawing.add(FeatureKind::Line, red, 3, tiny, {});
        drawing.finish();
        ViewTransform view;  // one pixel a unit, X (north) upwards
        view.width = view.height = 100;
        view.centerEast = view.centerNorth = 50;

        RenderStats stats;
        QImage image = Paint(drawing, view, {}, &stats);
        QCOMPARE(image.pixel(80, 50), qRgb(255, 0, 0));  // "Renk" 1 is red
        QCOMPARE(image.pixel(25, 20), LayerColour(drawing.layers()[other]).rgb());
        QCOMPARE(image.pixel(80, 20), qRgb(255, 255, 255));
        QCOMPARE(stats.drawn, 2u);
        QCOMPARE(stats.leftOut, 1u);  // shorter than a pixel

        // Northing grows upwards: a view centred further north shows the line lower down.
        view.centerNorth = 40;
        QCOMPARE(Paint(drawing, view).pixel(80, 40), qRgb(255, 0, 0));

        RenderFilter filter;
        filter.hiddenLayers = {true, false};
        QCOMPARE(Paint(drawing, view, filter).pixel(80, 40), qRgb(255, 255, 255));
    }

    // A symbol is a square of 2 mm of paper scaled by Sx and Sy at its point, its tick turned by
    // its angle; a centred label straddles its point.
    void symbolsAndCentredLabelsAtTheirPoint() {
        auto inkOf = [](double sx, double sy, double angle, bool label = false) {
            Drawing drawing;
            const uint16_t layer = drawing.layerIndex("S", 1);
            if (label) {
                drawing.add(FeatureKind::Label, layer, 1, {{Vertex{100, 100}}}, "HHHH", 10, 100,
                            true);
            } else {
                drawing.addSymbol(layer, 1, {100, 100}, "", sx, sy, angle);
            }
            drawing.finish();
            ViewTransform view;
            view.width = view.height = 200;
            view.centerEast = view.centerNorth = 100;
            return InkBox(Paint(drawing, view));
        };
        const double side = 2 * 96 / 25.4;  // 2 mm at 96 dots an inch
        const QRect plain = inkOf(1, 1, 0);
        QVERIFY2(std::abs(plain.width() - side) <= 2, qPrintable(QString::number(plain.width())));
        QVERIFY(plain.contains(100, 100));
        const QRect wide = inkOf(2, 0.5, 0);
        QVERIFY(std::abs(wide.width() - 2 * side) <= 2 && std::abs(wide.height() - side / 2) <= 2);
        const QRect turned = inkOf(2, 0.5, 100);  // a quarter turn: wide becomes tall
        QVERIFY(std::abs(turned.height() - 2 * side) <= 2 &&
                std::abs(turned.width() - side / 2) <= 2);
        const QRect centred = inkOf(0, 0, 0, true);
        QVERIFY2(centred.left() < 90 && centred.right() > 110 && centred.top() < 100 &&
                     centred.bottom() > 100,
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(centred.left())
                                .arg(centred.top())
                                .arg(centred.right())
                                .arg(centred.bottom())));
    }

    // `render`'s fitted picture holds the labels whole, not only the geometry: a label that
    // runs 60 m beyond the drawing's last point, once cut at the picture's edge, now ends
    // within its margin.
    void theFittedPictureHoldsItsLabels() {
        QTemporaryDir dir;
        QFile plot(dir.filePath("uzun.plt"));
        QVERIFY(plot.open(QIODevice::WriteOnly));
        plot.write(
            "TA A -257 1 DUZ 1 0\r\nPN  && 1000 1000 A 0 0 1\r\n"
            "PN  && 1100 1000 A 0 0 2\r\n"
            "YA  && 1100 1000 L 5 100 0 A UZUN BIR YAZI BURADA DURUR\r\n");
        plot.close();
        const QString png = dir.filePath("u.png");
        QProcess process;
        process.start(QStringLiteral(PLOTAKTAR_CLI),
                      {"render", plot.fileName(), "-o", png, "--size", "800x500"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QRect ink = InkBox(QImage(png).convertToFormat(QImage::Format_RGB32));
        QVERIFY2(ink.left() > 4 && ink.right() < 800 - 5,
                 qPrintable(QStringLiteral("%1 to %2").arg(ink.left()).arg(ink.right())));
        // The label is most of the picture's width: the fit did not shrink the drawing away.
        QVERIFY2(ink.width() > 600, qPrintable(QString::number(ink.width())));
    }

    // A symbol's number and its point's number do not cover each other where there is room:
    // the symbol's goes to another corner beside the point. Colours tell them apart.
    void numbersBesideThePointCoverNoOther() {
        Drawing drawing;
        const uint16_t points = drawing.layerIndex("N", 3);   // green
        const uint16_t symbols = drawing.layerIndex("S", 5);  // blue
        const Vertex at{100, 100};
        drawing.add(FeatureKind::Detail, points, 1, {&at, 1}, "2510");
        drawing.addSymbol(symbols, 2, at, "31", 1, 1, 0);
        drawing.finish();
        ViewTransform view;
        view.width = view.height = 200;
        view.centerEast = view.centerNorth = 100;
        const QImage image = Paint(drawing, view).convertToFormat(QImage::Format_RGB32);
        // The texts' pixels, away from the point's dot and the symbol's square.
        auto textOf = [&](auto isColour) {
            QRect box;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (std::abs(x - 100) + std::abs(y - 100) > 12 && isColour(c)) {
                        box |= QRect(x, y, 1, 1);
                    }
                }
            }
            return box;
        };
        const QRect green = textOf([](QColor c) { return c.green() > 150 && c.blue() < 120; });
        const QRect blue = textOf([](QColor c) { return c.blue() > 150 && c.green() < 120; });
        QVERIFY(!green.isEmpty() && !blue.isEmpty());
        QVERIFY2(!green.intersects(blue), qPrintable(QStringLiteral("%1,%2 %3x%4 and %5,%6 %7x%8")
                                                         .arg(green.x())
                                                         .arg(green.y())
                                                         .arg(green.width())
                                                         .arg(green.height())
                                                         .arg(blue.x())
                                                         .arg(blue.y())
                                                         .arg(blue.width())
                                                         .arg(blue.height())));
    }

    void labelAngleIsGradsClockwiseFromNorth() {
        auto inkOf = [](float angle) {
            Drawing drawing;
            const Vertex at{100, 100};
            drawing.add(FeatureKind::Label, drawing.layerIndex("Y", 7), 1, {&at, 1}, "HHHHHH", 12,
                        angle);
            drawing.finish();
            ViewTransform view;
            view.width = view.height = 200;
            view.centerEast = view.centerNorth = 100;
            return InkBox(Paint(drawing, view));
        };
        const QRect east = inkOf(100);
        // 100 grads reads left to right from the anchor.
        QVERIFY(east.width() > 2 * east.height());
        QVERIFY(east.left() >= 98 && east.bottom() <= 101);
        const QRect north = inkOf(0);  // runs up the sheet
        QVERIFY(north.height() > 2 * north.width());
        QVERIFY(north.bottom() <= 101 && north.top() < 60);
        const QRect south = inkOf(200);
        QVERIFY(south.top() >= 99 && south.bottom() > 140);
    }

    void sampleAndItsPlotFileDrawTheSamePicture() {
        ImportObserver quiet;
        LoadedDrawing tables = LoadDrawing(Sample("pafta12.gplt").toStdString(),
                                           Sample("pafta12.yaz").toStdString(), quiet);
        Drawing plot = DrawingFromPlotBytes(PlotFileBytes(*tables.workspace));
        const ViewTransform view = ViewTransform::fit(tables.drawing.extent(), 800, 500);
        // The plot file carries no symbols and no label's centring.
        RenderFilter filter;
        filter.hiddenKinds[static_cast<int>(FeatureKind::Label)] = true;
        filter.hiddenKinds[static_cast<int>(FeatureKind::Symbol)] = true;
        QImage a = Paint(tables.drawing, view, filter);
        QImage b = Paint(plot, view, filter);
        // The plot file names layers but not their colours or pen widths, so only where ink
        // lies must agree, to the pixel a wider pen adds.
        auto inkNear = [](const QImage& image, int x, int y) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (image.valid(x + dx, y + dy) &&
                        image.pixel(x + dx, y + dy) != qRgb(255, 255, 255)) {
                        return true;
                    }
                }
            }
            return false;
        };
        int ink = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixel(x, y) != qRgb(255, 255, 255)) {
                    QVERIFY(inkNear(b, x, y));
                    ++ink;
                }
                if (b.pixel(x, y) != qRgb(255, 255, 255)) {
                    QVERIFY(inkNear(a, x, y));
                }
            }
        }
        QVERIFY(ink > 2000);
    }

    // Plot files as they arrive from elsewhere: control characters in texts still give an SVG
    // that parses, a drawing out to a double's limits is drawn, another program's .plt is "not
    // a plot file" while an empty one is an empty drawing, and skipped lines are counted.
    void hostilePlotFilesRenderOrAreRefusedPlainly() {
        QTemporaryDir dir;
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(dir.filePath(QLatin1String(name)));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            return file.fileName();
        };
        auto render = [&](const QString& input, const QString& output, QByteArray* out,
                          QByteArray* err) {
            QProcess process;
            process.start(QStringLiteral(PLOTAKTAR_CLI),
                          {QStringLiteral("render"), input, QStringLiteral("-o"), output});
            process.waitForFinished(60000);
            *out = process.readAllStandardOutput();
            *err = process.readAllStandardError();
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        };
        QByteArray out, err;
        const QString controls = write("c.plt",
                                       "TA L\x01 -257 1 DUZ 1 0\r\n"
                                       "PN  && 10 10 L\x01 0 0 N.\x02\x1b<&\r\n"
                                       "YA  && 20 20 1 3 100 0 L\x01 \x01"
                                       "ba\x7f\x0c\r\n"
                                       "IN;SP1;\r\n");
        const QString svg = dir.filePath("c.svg");
        QCOMPARE(render(controls, svg, &out, &err), 0);
        QVERIFY2(out.contains("2 features, 1 lines skipped"), out.constData());
        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svgFile);
        int texts = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            texts += xml.isStartElement() && xml.name() == QLatin1String("text");
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(texts >= 2);

        const QString hpgl = write("h.plt", "IN;SP1;PU0,0;PD100,100;\r\n\x89PNG\x00\x01\r\n");
        const QString png = dir.filePath("h.png");
        QCOMPARE(render(hpgl, png, &out, &err), 2);
        QVERIFY2(err.contains("not a plot file"), err.constData());
        QVERIFY(!QFileInfo::exists(png));
        QCOMPARE(render(write("e.plt", ""), png, &out, &err), 0);
        QVERIFY2(err.contains("e.plt: empty drawing"), err.constData());
        QVERIFY(QFileInfo::exists(png));

        // Coordinates are written without exponents: 1.7e308 is 17 and 307 zeros.
        const std::string huge = "17" + std::string(307, '0');
        Drawing far =
            DrawingFromPlotBytes("LX  && -" + huge + " -" + huge + " " + huge + " " + huge +
                                 " 0 A\r\nPN  && " + huge + " -" + huge + " A 0 0 1\r\n");
        QCOMPARE(far.size(), size_t{2});
        const ViewTransform view = ViewTransform::fit(far.extent(), 200, 100);
        QVERIFY(std::isfinite(view.centerEast) && view.scale > 0);
        QVERIFY(!InkBox(Paint(far, view)).isEmpty());
    }

    // plotaktar-render killed while it draws: plotaktar-cli says so with status 1, and the old
    // picture stays with nothing beside it.
    void anAbnormalEndOfTheDrawingProgramIsReported() {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("old.png"));
        QFile old(png);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QProcess process;
        process.start(
            QStringLiteral(PLOTAKTAR_CLI),
            {QStringLiteral("render"), Sample("pafta12.gplt"), QStringLiteral("-o"), png});
        QVERIFY(process.waitForStarted());
        const QString children =
            QStringLiteral("/proc/%1/task/%1/children").arg(process.processId());
        qint64 child = 0;
        for (int tries = 0; tries < 2000 && child == 0; ++tries) {
            QFile list(children);
            if (list.open(QIODevice::ReadOnly)) {
                child = list.readAll().trimmed().split(' ').first().toLongLong();
            }
            if (child == 0) {
                QThread::msleep(1);
            }
        }
        QVERIFY(child > 0);
        QCOMPARE(::kill(static_cast<pid_t>(child), SIGKILL), 0);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(err.contains("plotaktar-render ended abnormally (signal 9"), err.constData());
        QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("old.png")});
    }

    // The SVG, read back by Qt's own SVG renderer, puts its ink where the pixel picture does.
    void svgReadBackDrawsWhatThePictureDraws() {
        ImportObserver quiet;
        LoadedDrawing sample = LoadDrawing(Sample("pafta12.gplt").toStdString(),
                                           Sample("pafta12.yaz").toStdString(), quiet);
        const ViewTransform view = ViewTransform::fit(sample.drawing.extent(), 800, 500);
        const QImage pixels = Paint(sample.drawing, view);
        QSvgRenderer svg(RenderPicture(sample.drawing, view, {}, PictureFormat::Svg));
        QVERIFY(svg.isValid());
        QImage read(800, 500, QImage::Format_ARGB32_Premultiplied);
        read.fill(Qt::white);
        QPainter painter(&read);
        svg.render(&painter);
        painter.end();
        int both = 0, onlyOne = 0;
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 800; ++x) {
                const bool a = pixels.pixel(x, y) != qRgb(255, 255, 255);
                const bool b = read.pixel(x, y) != qRgb(255, 255, 255);
                both += a && b;
                onlyOne += a != b;
            }
        }
        // Antialiasing and text hinting differ; the shapes must not.
        QVERIFY2(both > 2000 && onlyOne < both,
                 qPrintable(QStringLiteral("%1 %2").arg(both).arg(onlyOne)));
        QCOMPARE(InkBox(read).adjusted(-3, -3, 3, 3).contains(InkBox(pixels)), true);

        // Nothing finer than a pixel is written one by one: 50,000 points on one spot are one
        // dot.
        Drawing spot;
        const uint16_t layer = spot.layerIndex("S");
        for (uint32_t i = 0; i < 50000; ++i) {
            const Vertex at{100 + (i % 7) * 1e-4, 200};
            spot.add(FeatureKind::Detail, layer, i + 1, {&at, 1}, "1");
        }
        const Vertex corner{0, 0};
        spot.add(FeatureKind::Detail, layer, 50001, {&corner, 1}, "2");
        spot.finish();
        const QByteArray dense = RenderPicture(spot, ViewTransform::fit(spot.extent(), 800, 500),
                                               {}, PictureFormat::Svg);
        QVERIFY2(dense.size() < 4000, qPrintable(QString::number(dense.size())));
    }

    void cliRendersWithoutADisplayAndKeepsAFileItCannotReplace() {
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        auto run = [&](const QStringList& args, QByteArray* err = nullptr,
                       QByteArray* out = nullptr) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral(PLOTAKTAR_CLI), QStringList{"render"} + args);
            process.waitForFinished(60000);
            if (err) {
                *err = process.readAllStandardError();
            }
            if (out) {
                *out = process.readAllStandardOutput();
            }
            return process.exitCode();
        };
        const QString png = dir.filePath("s.png"), svg = dir.filePath("s.svg"),
                      pdf = dir.filePath("s.pdf");
        QCOMPARE(run({Sample("pafta12.gplt"), Sample("pafta12.yaz"), "-o", png}), 0);
        QCOMPARE(run({Sample("pafta12.gplt"), "-o", svg, "--size", "400x300"}), 0);
        QCOMPARE(run({Sample("pafta12.gplt"), "-o", pdf}), 0);
        QCOMPARE(QImage(png).size(), QSize(1600, 1000));
        QFile svgFile(svg), pdfFile(pdf);
        QVERIFY(svgFile.open(QIODevice::ReadOnly) && svgFile.readAll().contains("<svg"));
        QVERIFY(pdfFile.open(QIODevice::ReadOnly) && pdfFile.read(5) == "%PDF-");

        // The labels beside the geometry are drawn, as in the viewer, unless --no-labels.
        QByteArray err, out;
        QCOMPARE(run({Sample("pafta12.gplt"), "-o", png}, &err, &out), 0);
        QCOMPARE(err, Sample("pafta12.yaz").toUtf8() +
                          ": labels taken from beside the geometry (--no-labels reads none)\n");
        QVERIFY2(out.contains(": 37 features"), out.constData());
        QCOMPARE(run({Sample("pafta12.gplt"), "--no-labels", "-o", png}, &err, &out), 0);
        QCOMPARE(err, QByteArray());
        QVERIFY2(out.contains(": 26 features"), out.constData());

        QCOMPARE(run({dir.filePath("missing.gplt"), "-o", png}, &err), 2);
        QVERIFY(err.contains("missing.gplt: No such file or directory"));
        QCOMPARE(run({Sample("pafta12.gplt"), "-o", dir.filePath("x.bmp")}), 2);

        // A picture that cannot be written leaves what the path held: a folder of that name
        // (refused to root too), and a file in a folder that takes no new file.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
        QCOMPARE(run({Sample("pafta12.gplt"), "-o", dir.filePath("folder.png")}), 1);
        QVERIFY(QFileInfo(dir.filePath("folder.png")).isDir());
        QFile locked(dir.filePath("locked.png"));
        QVERIFY(locked.open(QIODevice::WriteOnly) && locked.write("old") == 3);
        locked.close();
        QVERIFY(QFile::setPermissions(locked.fileName(), QFileDevice::ReadOwner));
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const int status = run({Sample("pafta12.gplt"), "-o", locked.fileName()});
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (geteuid() != 0) {  // root writes whatever the permissions say
            QCOMPARE(status, 1);
            QVERIFY(locked.open(QIODevice::ReadOnly) && locked.readAll() == "old");
        }
    }
};

QTEST_MAIN(RenderTest)
#include "render_test.moc"
