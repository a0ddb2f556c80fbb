#include "Services/ArtworkImaging.h"

#include <QBuffer>
#include <QtTest>

using namespace mivo;

namespace {
constexpr qint64 kNoLimit = qint64(1) << 30;

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage filled(int width, int height, QColor colour = Qt::red)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A JPEG whose EXIF block says the picture must be turned before display.
QByteArray jpegWithOrientation(int width, int height, quint16 orientation)
{
    const QByteArray jpeg = encoded(filled(width, height), "JPEG");
    QByteArray tiff("MM\0*\0\0\0\x08", 8); // big-endian header, first directory at 8
    tiff += QByteArray("\0\x01", 2); // one entry
    tiff += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8); // orientation, SHORT, one value
    tiff += char(orientation >> 8);
    tiff += char(orientation & 0xff);
    tiff += QByteArray(6, '\0'); // padding and no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xff);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}
} // namespace

class TestArtworkImaging : public QObject {
    Q_OBJECT
private slots:
    void downsample_data();
    void downsample();
    void composeMosaic_data();
    void composeMosaic();
};

void TestArtworkImaging::downsample_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("maxPixel");
    QTest::addColumn<qint64>("maxDecodeBytes");
    QTest::addColumn<QSize>("size"); // invalid: no image

    const QByteArray wide = encoded(filled(400, 200), "PNG");
    const QByteArray square300 = encoded(filled(300, 300), "PNG"); // 360,000 bytes decoded
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'>"
                           "<rect width='40' height='40' fill='red'/></svg>";

    QTest::newRow("wide PNG fitted to the longer edge") << wide << 100 << kNoLimit << QSize(100, 50);
    QTest::newRow("tall JPEG") << encoded(filled(200, 400), "JPEG") << 100 << kNoLimit << QSize(50, 100);
    QTest::newRow("small picture is not enlarged")
        << encoded(filled(40, 20), "PNG") << 100 << kNoLimit << QSize(40, 20);
    QTest::newRow("no pixels asked: one pixel") << wide << 0 << kNoLimit << QSize(1, 1);
    QTest::newRow("EXIF turn applied") << jpegWithOrientation(40, 20, 6) << 100 << kNoLimit << QSize(20, 40);
    QTest::newRow("EXIF turn applied when scaled")
        << jpegWithOrientation(400, 200, 6) << 100 << kNoLimit << QSize(50, 100);
    QTest::newRow("within the decode limit")
        << encoded(filled(100, 100), "PNG") << 60 << qint64(64 * 1024) << QSize(60, 60);
    QTest::newRow("past the decode limit") << square300 << 60 << qint64(64 * 1024) << QSize();
    QTest::newRow("decode limit counts the full picture") << square300 << 4 << qint64(64 * 1024) << QSize();
    QTest::newRow("HTML") << QByteArray("<html><body>Not Found</body></html>") << 100 << kNoLimit << QSize();
    QTest::newRow("empty") << QByteArray() << 100 << kNoLimit << QSize();
    QTest::newRow("truncated PNG") << wide.left(wide.size() / 2) << 100 << kNoLimit << QSize();
    QTest::newRow("SVG is not raster artwork") << svg << 100 << kNoLimit << QSize();
}

void TestArtworkImaging::downsample()
{
    QFETCH(QByteArray, data);
    QFETCH(int, maxPixel);
    QFETCH(qint64, maxDecodeBytes);
    QFETCH(QSize, size);

    const QImage image = ArtworkImaging::downsample(data, maxPixel, maxDecodeBytes);
    QCOMPARE(image.isNull() ? QSize() : image.size(), size);
}

void TestArtworkImaging::composeMosaic_data()
{
    QTest::addColumn<QList<QImage>>("images");
    QTest::addColumn<QList<QColor>>("tiles"); // top left, top right, bottom left, bottom right

    const QImage red = filled(30, 30, Qt::red);
    const QImage green = filled(30, 30, Qt::green);
    const QImage blue = filled(30, 30, Qt::blue);
    const QImage yellow = filled(30, 30, Qt::yellow);
    const QList<QColor> none;

    QTest::newRow("four") << QList<QImage> { red, green, blue, yellow }
                          << QList<QColor> { Qt::red, Qt::green, Qt::blue, Qt::yellow };
    QTest::newRow("three: the last fills in")
        << QList<QImage> { red, green, blue } << QList<QColor> { Qt::red, Qt::green, Qt::blue, Qt::blue };
    QTest::newRow("two: the second fills three tiles")
        << QList<QImage> { red, blue } << QList<QColor> { Qt::red, Qt::blue, Qt::blue, Qt::blue };
    QTest::newRow("one") << QList<QImage> { green }
                         << QList<QColor> { Qt::green, Qt::green, Qt::green, Qt::green };
    QTest::newRow("tiles scaled to fit, not repeated") << QList<QImage> { filled(4, 4, Qt::red),
        filled(200, 100, Qt::blue) } << QList<QColor> { Qt::red, Qt::blue, Qt::blue, Qt::blue };
    QTest::newRow("no images") << QList<QImage> {} << none;
}

void TestArtworkImaging::composeMosaic()
{
    QFETCH(QList<QImage>, images);
    QFETCH(QList<QColor>, tiles);

    const int pixels = 60;
    const QImage mosaic = ArtworkImaging::composeMosaic(images, pixels);
    if (tiles.isEmpty()) {
        QVERIFY(mosaic.isNull());
        return;
    }
    QCOMPARE(mosaic.size(), QSize(pixels, pixels));
    // Each tile is checked near its centre and near its outer corner.
    const QList<QList<QPoint>> probes = { { { 15, 15 }, { 1, 1 } }, { { 45, 15 }, { 58, 1 } },
        { { 15, 45 }, { 1, 58 } }, { { 45, 45 }, { 58, 58 } } };
    for (int tile = 0; tile < 4; ++tile) {
        for (const QPoint& probe : probes.at(tile))
            QCOMPARE(mosaic.pixelColor(probe), tiles.at(tile));
    }
}

QTEST_GUILESS_MAIN(TestArtworkImaging)
#include "tst_artworkimaging.moc"
