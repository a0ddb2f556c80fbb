#include "Styling/GlassRole.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/SurfaceStyle.h"
#include "TestSupport/ImageDifference.h"
#include "Views/Detail/DetailCard.h"

#include <QPainter>
#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::GlassTier)

namespace {

constexpr qreal kWidth = 300;
constexpr qreal kLeft = 16;

// The band [top, top + height) of a card `cardHeight` high whose top is at
// `cardTop`, rendered onto the window colour at `ratio` device pixels per point,
// either as the detail draws it or as the surface draws itself in one piece.
QImage band(bool sliced, GlassTier tier, const QPalette& palette, qreal cardTop, qreal cardHeight, qreal top,
    qreal height, qreal ratio)
{
    QImage image(
        QSize(int((kWidth + 2 * kLeft) * ratio), int(height * ratio)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(palette.color(QPalette::Window));
    QPainter painter(&image);
    painter.translate(0, -top);
    const SurfaceStyle style = SurfaceStyle::of(GlassRole::groupCard(), tier);
    const QRectF card(kLeft, cardTop, kWidth, cardHeight);
    const QRectF slice(kLeft, top, kWidth, height);
    if (sliced) {
        DetailCard::paint(painter, card, slice, style, palette);
    } else {
        painter.setClipRect(slice);
        style.paintBackground(painter, card, palette);
        style.paintOverlay(painter, card, palette);
    }
    return image;
}

using test::largestDifference;

} // namespace

class TestDetailCard : public QObject {
    Q_OBJECT

private slots:
    // A card drawn from its kept ends and middle row looks as the surface drawn
    // in one piece does: no seam where the ends meet the middle, corners and
    // border where they belong, for any height and any band of it a row paints.
    void slicesLookLikeTheWholeCard_data()
    {
        QTest::addColumn<GlassTier>("tier");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<qreal>("cardHeight");
        QTest::addColumn<qreal>("top"); // of the band, from the card's top
        QTest::addColumn<qreal>("height");
        const qreal end = DetailCard::endHeight(GlassRole::groupCard().cornerRadius());
        for (const GlassTier tier : { GlassTier::translucent, GlassTier::opaque }) {
            for (const bool dark : { false, true }) {
                const QByteArray name = QByteArray(tier == GlassTier::opaque ? "opaque" : "translucent")
                    + (dark ? " dark" : " light");
                QTest::newRow(name + ", header card whole") << tier << dark << 1.0 << 80.0 << 0.0 << 80.0;
                QTest::newRow(name + ", just taller than both ends")
                    << tier << dark << 1.0 << 2 * end + 2 << 0.0 << 2 * end + 2;
                QTest::newRow(name + ", fold of 377 whole") << tier << dark << 1.0 << 377.0 << 0.0 << 377.0;
                QTest::newRow(name + ", table's first row") << tier << dark << 1.0 << 380.0 << 0.0 << 34.0;
                QTest::newRow(name + ", row across the top end")
                    << tier << dark << 1.0 << 380.0 << end - 10 << 34.0;
                QTest::newRow(name + ", row in the middle") << tier << dark << 1.0 << 380.0 << 142.0 << 34.0;
                QTest::newRow(name + ", last row with the padding")
                    << tier << dark << 1.0 << 380.0 << 380.0 - 40 << 40.0;
                QTest::newRow(name + ", last row of a 3,000-row table")
                    << tier << dark << 1.0 << 102040.0 << 102040.0 - 56 << 56.0;
                QTest::newRow(name + ", twice as many pixels")
                    << tier << dark << 2.0 << 380.0 << 380.0 - 80 << 80.0;
            }
        }
    }
    void slicesLookLikeTheWholeCard()
    {
        QFETCH(GlassTier, tier);
        QFETCH(bool, dark);
        QFETCH(qreal, ratio);
        QFETCH(qreal, cardHeight);
        QFETCH(qreal, top);
        QFETCH(qreal, height);
        const QPalette palette = dark ? PreviewPalettes::dark() : PreviewPalettes::light();
        const qreal cardTop = 8;
        const QImage sliced = band(true, tier, palette, cardTop, cardHeight, cardTop + top, height, ratio);
        const QImage whole = band(false, tier, palette, cardTop, cardHeight, cardTop + top, height, ratio);
        // The band shows the card: it differs from the window behind it.
        QVERIFY(largestDifference(whole, band(false, tier, palette, cardTop, 0, cardTop + top, height, ratio))
            > 0);
        // Both layers are kept in one picture, blended once: within two levels of 255.
        QCOMPARE_LE(largestDifference(sliced, whole), 2);
    }
};

QTEST_MAIN(TestDetailCard)
#include "tst_detailcard.moc"
