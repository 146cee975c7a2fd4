// The picture of `plotaktar-cli diff -o` read back pixel by pixel: drawn at a known map scale,
// the removed point is red, the added green and the unchanged grey, each where its position
// puts it on the sheet.

#include <QImage>
#include <cmath>

#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

// Where the pixels of one colour lie: their count and centre.
struct Blot {
    int pixels = 0;
    double x = 0, y = 0;
};

// The colours a pen of red, green or grey paints, with the pale edges its smoothing leaves.
enum class Hue { Red, Green, Grey };

bool IsOf(QRgb pixel, Hue hue) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    switch (hue) {
        case Hue::Red:
            return r > 180 && g < 120 && b < 120;
        case Hue::Green:
            return g > 180 && r < 120 && b < 120;
        case Hue::Grey:
            return std::abs(r - g) < 8 && std::abs(g - b) < 8 && r > 90 && r < 190;
    }
    return false;
}

Blot PixelsOf(const QImage& image, Hue hue, QRect within = {}) {
    Blot blot;
    const QRect area = within.isNull() ? image.rect() : within.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (IsOf(image.pixel(x, y), hue)) {
                ++blot.pixels;
                blot.x += x;
                blot.y += y;
            }
        }
    }
    if (blot.pixels > 0) {
        blot.x /= blot.pixels;
        blot.y /= blot.pixels;
    }
    return blot;
}

TEST(DiffPicture, RemovedRedAddedGreenUnchangedGreyWhereTheyStandAtTheScale) {
    TempDir dir;
    // Point 1 stays; point 2, 50 m west of it, is gone; point 3, 50 m east, is new.
    const std::string old =
        dir.write("eski.gplt", CrLf({"tab 1 1 DETAY 7 0 1 0.18", "nok 1 1000.00 2000.00 100.00 1",
                                     "nok 2 1000.00 1950.00 100.00 1"}));
    const std::string now =
        dir.write("yeni.gplt", CrLf({"tab 1 1 DETAY 7 0 1 0.18", "nok 1 1000.00 2000.00 100.00 1",
                                     "nok 3 1000.00 2050.00 100.00 1"}));
    const std::string picture = dir.file("fark.png");
    const CliResult r = RunCli({"diff", old, now, "-o", picture, "--scale", "1000", "--paper", "A4",
                                "--landscape", "--dpi", "100"});
    ASSERT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, old + ":3 - point-removed 2 noktası silindi\n- " + now +
                         ":3 point-added 3 noktası eklendi\n"
                         "2 changes (point-added 1, point-removed 1)\n");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(picture))) << r.err;

    const Blot red = PixelsOf(image, Hue::Red);
    const Blot green = PixelsOf(image, Hue::Green);
    ASSERT_GT(red.pixels, 3);
    ASSERT_GT(green.pixels, 3);
    // 100 m at 1:1000 is 100 mm on paper, 393.7 pixels at 100 dots an inch; both on one row.
    EXPECT_NEAR(green.x - red.x, 100 / 25.4 * 100, 4);
    EXPECT_NEAR(green.y, red.y, 2);
    // The point that stayed, grey, half way between them.
    const QPoint middle(static_cast<int>((red.x + green.x) / 2), static_cast<int>(red.y));
    const Blot grey =
        PixelsOf(image, Hue::Grey, QRect(middle, QSize(1, 1)).adjusted(-40, -40, 40, 40));
    ASSERT_GT(grey.pixels, 3);
    EXPECT_NEAR(grey.x, middle.x(), 4);
    // Nothing else of the two drawings is red or green: the title block's counts are text.
    EXPECT_EQ(
        PixelsOf(image, Hue::Red, QRect(middle, QSize(1, 1)).adjusted(-60, -60, 60, 60)).pixels, 0);
}

}  // namespace
}  // namespace plotaktar::testing
