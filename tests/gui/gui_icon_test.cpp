#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

// The application icon comes from the program's resources and is drawn by Qt's SVG icon
// engine, a plugin: a missing resource or plugin shows as an empty or blank icon.
class IconTest : public QObject {
    Q_OBJECT
  private slots:
    void rendersAtMenuAndWindowSizes() {
        const QIcon icon(QStringLiteral(":/plotaktar/plotaktar.svg"));
        QVERIFY(!icon.isNull());
        for (int size : {16, 32, 256}) {
            const QImage image = icon.pixmap(size, size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            // The parcel in the middle of the sheet is drawn opaque; the corners are clear.
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
            QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
        }
    }
};

QTEST_MAIN(IconTest)
#include "gui_icon_test.moc"
