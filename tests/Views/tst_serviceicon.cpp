#include "Styling/PreviewPalettes.h"
#include "Views/Onboarding/ServiceIcon.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace mivo;

namespace {

// The icon drawn at 1:1 on a transparent square of its own size.
QImage render(const ServiceIcon::Look& look)
{
    const int side = int(std::ceil(look.size));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    ServiceIcon::paint(painter, QRectF(0, 0, side, side), look, PreviewPalettes::light());
    return image;
}

// The bounds of the pixels of `colour` (alpha ignored, channels within a small tolerance).
QRect boundsOf(const QImage& image, const QColor& colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = QColor::fromRgba(image.pixel(x, y));
            if (pixel.alpha() < 200)
                continue;
            const QColor opaque = QColor::fromRgb(QRgb(qUnpremultiply(image.pixel(x, y))));
            if (std::abs(opaque.red() - colour.red()) < 8 && std::abs(opaque.green() - colour.green()) < 8
                && std::abs(opaque.blue() - colour.blue()) < 8)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// Whether every visible pixel has the colour of `colour`.
bool onlyColour(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = qUnpremultiply(image.pixel(x, y));
            if (qAlpha(pixel) < 128)
                continue;
            if (std::abs(qRed(pixel) - colour.red()) > 8 || std::abs(qGreen(pixel) - colour.green()) > 8
                || std::abs(qBlue(pixel) - colour.blue()) > 8)
                return false;
        }
    }
    return true;
}

const QColor kChip(200, 30, 60);
const QColor kTint(20, 120, 220);

} // namespace

class ServiceIconTest : public QObject {
    Q_OBJECT

private slots:
    // Where the glyph may land: a chip keeps it within 58 % of the side, a bare
    // asset fills the square, a missing asset falls back to the symbol at 80 %.
    void glyphStaysInItsBox_data()
    {
        QTest::addColumn<QString>("asset");
        QTest::addColumn<bool>("chip");
        QTest::addColumn<qreal>("boxSide");

        QTest::newRow("asset on a chip") << "ServiceSpotify" << true << 40 * 0.58;
        QTest::newRow("symbol on a chip") << "NoSuchAsset" << true << 40 * 0.58 * 0.8;
        QTest::newRow("bare asset") << "ServiceSpotify" << false << 40.0;
        QTest::newRow("bare symbol") << "NoSuchAsset" << false << 40 * 0.8;
    }
    void glyphStaysInItsBox()
    {
        QFETCH(QString, asset);
        QFETCH(bool, chip);
        QFETCH(qreal, boxSide);

        ServiceIcon::Look look { asset, 40, ThemeColor::fixed(kTint),
            chip ? std::optional(ThemeColor::fixed(kChip)) : std::nullopt, QStringLiteral("music.note"),
            QStringLiteral("Spotify") };
        const QImage image = render(look);
        const QRect glyph = boundsOf(image, chip ? QColor(Qt::white) : kTint);
        QVERIFY2(!glyph.isEmpty(), "nothing of the glyph was drawn");

        const QRectF box(20 - boxSide / 2, 20 - boxSide / 2, boxSide, boxSide);
        QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(QRectF(glyph)),
            qPrintable(QStringLiteral("glyph %1,%2 %3x%4 leaves its box of %5")
                    .arg(glyph.x())
                    .arg(glyph.y())
                    .arg(glyph.width())
                    .arg(glyph.height())
                    .arg(boxSide)));
        if (!chip)
            QVERIFY2(onlyColour(image, kTint), "a bare logo is drawn in the tint alone");
    }

    // The chip fills the square up to rounded corners of 28 % of the side.
    void chipIsARoundedSquare()
    {
        const ServiceIcon::Look look { QStringLiteral("ServiceSpotify"), 40, ThemeColor::primary(),
            ThemeColor::fixed(kChip), QStringLiteral("music.note"), QStringLiteral("Spotify") };
        const QImage image = render(look);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(39, 39)), 0);
        QCOMPARE(QColor(image.pixel(20, 1)), kChip);
        QCOMPARE(QColor(image.pixel(1, 20)), kChip);
        QCOMPARE(QColor(image.pixel(38, 20)), kChip);
        QCOMPARE(ServiceIcon::chipCornerRadius(40), 11.2);
    }

    void widgetIsItsSizeAndNamed()
    {
        ServiceIcon icon(QStringLiteral("ServiceVPN"), 22, ThemeColor::primary(), std::nullopt,
            QStringLiteral("lock.shield"), QStringLiteral("VPN"));
        QCOMPARE(icon.size(), QSize(22, 22));
        QCOMPARE(icon.accessibleName(), QStringLiteral("VPN"));
    }
};

QTEST_MAIN(ServiceIconTest)
#include "tst_serviceicon.moc"
