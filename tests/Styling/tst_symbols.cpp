#include "Styling/AssetImages.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>

using namespace mivo;

namespace {

// Draws `paint` into a transparent square and reports the ink it left.
struct Ink {
    int pixels = 0;
    QColor strongest;
};

template <typename Paint> Ink inkOf(Paint paint, int side = 48)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paint(painter, QRectF(0, 0, side, side));
    }
    Ink ink;
    int best = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0)
                ++ink.pixels;
            if (c.alpha() > best) {
                best = c.alpha();
                ink.strongest = c;
            }
        }
    }
    return ink;
}

} // namespace

class TestSymbols : public QObject {
    Q_OBJECT

private slots:
    // Every symbol name the windows draw.
    void everyUsedSymbolIsDrawn_data()
    {
        QTest::addColumn<QString>("name");
        const char* names[] = {
            "arrow.down.circle",
            "arrow.triangle.2.circlepath",
            "checkmark.circle",
            "checkmark.circle.fill",
            "checkmark.seal.fill",
            "checkmark.shield",
            "checkmark.shield.fill",
            "chevron.down",
            "chevron.left",
            "chevron.right",
            "chevron.up",
            "circle",
            "clock",
            "desktopcomputer",
            "doc",
            "exclamationmark.shield.fill",
            "exclamationmark.triangle",
            "exclamationmark.triangle.fill",
            "folder",
            "gear",
            "info.circle.fill",
            "largecircle.fill.circle",
            "line.3.horizontal",
            "lock.shield",
            "lock.shield.fill",
            "magnifyingglass",
            "minus.circle",
            "music.note",
            "music.note.list",
            "person.crop.circle",
            "slider.horizontal.3",
            "square.and.arrow.down",
            "square.stack.3d.up",
            "stethoscope",
            "stop.fill",
            "tag",
            "terminal",
            "trash.slash",
            "waveform",
            "xmark",
            "xmark.circle.fill",
            "xmark.octagon.fill",
            "xmark.shield.fill",
        };
        for (const char* name : names)
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyUsedSymbolIsDrawn()
    {
        QFETCH(QString, name);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(Symbols::contains(name));
        const Ink ink = inkOf([&](QPainter& p, const QRectF& r) { Symbols::paint(p, r, name, Qt::black); });
        QVERIFY2(ink.pixels > 40, qPrintable(QString::number(ink.pixels)));
    }

    // Names the tokens hand out are all in the set.
    void tokenSymbolsAreDrawn()
    {
        QStringList names;
        for (const StatusRole role : kAllStatusRoles)
            names << Tokens::Status::symbol(role);
        for (const Phase phase : allCases<Phase>())
            names << Tokens::PhaseStyle::symbol(phase);
        for (const PlaylistSourceId source : allCases<PlaylistSourceId>())
            names << Tokens::Source::sfSymbol(source);
        for (const QString& name : names)
            QVERIFY2(Symbols::contains(name), qPrintable(name));
    }

    void unknownNameWarnsOnceAndDrawsAPlaceholder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("unknown") << QStringLiteral("sparkles.rectangle.stack");
        QTest::newRow("empty") << QString();
        QTest::newRow("path-like") << QStringLiteral("../logos/ServiceSpotify");
    }
    void unknownNameWarnsOnceAndDrawsAPlaceholder()
    {
        QFETCH(QString, name);
        QVERIFY(!Symbols::contains(name));
        QTest::ignoreMessage(QtWarningMsg,
            QRegularExpression(
                QStringLiteral("no symbol named \"%1\"").arg(QRegularExpression::escape(name))));
        const Ink first = inkOf([&](QPainter& p, const QRectF& r) { Symbols::paint(p, r, name, Qt::black); });
        QVERIFY(first.pixels > 40);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const Ink second
            = inkOf([&](QPainter& p, const QRectF& r) { Symbols::paint(p, r, name, Qt::black); });
        QCOMPARE(second.pixels, first.pixels);
    }

    // The drawing is a mask: its ink takes the colour given at paint time, white
    // cut-outs included.
    void inkTakesThePaintColour_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("color");
        QTest::newRow("outline in red") << QStringLiteral("circle") << QColor(220, 20, 30);
        QTest::newRow("filled with cut-out in blue")
            << QStringLiteral("checkmark.circle.fill") << QColor(10, 90, 250);
        QTest::newRow("white ink") << QStringLiteral("music.note") << QColor(Qt::white);
    }
    void inkTakesThePaintColour()
    {
        QFETCH(QString, name);
        QFETCH(QColor, color);
        const Ink ink = inkOf([&](QPainter& p, const QRectF& r) { Symbols::paint(p, r, name, color); });
        QCOMPARE(ink.strongest.alpha(), 255);
        QCOMPARE(ink.strongest.rgb(), color.rgb());
    }

    void cutOutsStayClear()
    {
        // The centre of the check of a filled circle is cut out, the rim is ink.
        QImage image(96, 96, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            Symbols::paint(painter, QRectF(0, 0, 96, 96), QStringLiteral("stop.fill"), Qt::black);
        }
        QCOMPARE(image.pixelColor(48, 48).alpha(), 255);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            Symbols::paint(painter, QRectF(0, 0, 96, 96), QStringLiteral("info.circle.fill"), Qt::black);
        }
        // The stem of the "i" is a hole in the disc; beside it the disc is ink.
        QCOMPARE(image.pixelColor(48, 56).alpha(), 0);
        QCOMPARE(image.pixelColor(30, 56).alpha(), 255);
    }

    // Turned or scaled painters still draw the symbol (a disclosure chevron is
    // drawn rotated); an impossible rectangle draws nothing and does not fail.
    void transformedAndDegenerateRectangles_data()
    {
        QTest::addColumn<qreal>("rotation");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("rotated a quarter") << 90.0 << 1.0 << QRectF(8, 8, 32, 32) << true;
        QTest::newRow("rotated a half") << 180.0 << 1.0 << QRectF(8, 8, 32, 32) << true;
        QTest::newRow("zoomed") << 0.0 << 2.0 << QRectF(4, 4, 16, 16) << true;
        QTest::newRow("squashed to nothing") << 0.0 << 0.0 << QRectF(8, 8, 32, 32) << false;
        QTest::newRow("empty") << 0.0 << 1.0 << QRectF(8, 8, 0, 32) << false;
        QTest::newRow("not a number") << 0.0 << 1.0 << QRectF(8, 8, qQNaN(), qQNaN()) << false;
        QTest::newRow("enormous") << 0.0 << 1.0 << QRectF(0, 0, 1e12, 1e12) << false;
    }
    void transformedAndDegenerateRectangles()
    {
        QFETCH(qreal, rotation);
        QFETCH(qreal, scale);
        QFETCH(QRectF, rect);
        QFETCH(bool, drawn);
        const Ink ink = inkOf([&](QPainter& p, const QRectF&) {
            p.translate(24, 24);
            p.rotate(rotation);
            p.translate(-24, -24);
            p.scale(scale, scale);
            Symbols::paint(p, rect, QStringLiteral("chevron.right"), Qt::black);
        });
        QCOMPARE(ink.pixels > 40, drawn);
    }

    void iconsResolveTheirColourWhenDrawn()
    {
        const QIcon icon = Symbols::icon(QStringLiteral("stop.fill"), ThemeColor::fromRgb(0, 160, 0));
        const QImage image = icon.pixmap(QSize(32, 32)).toImage();
        QCOMPARE(image.pixelColor(16, 16).rgb(), QColor(0, 160, 0).rgb());
        const QImage disabled = icon.pixmap(QSize(32, 32), QIcon::Disabled).toImage();
        QVERIFY(disabled.pixelColor(16, 16).alpha() < 160);
    }

    // The named images: every service logo; the matching service has none, so its
    // icon falls back to a symbol.
    void logos_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("apple music") << QStringLiteral("ServiceAppleMusic") << true;
        QTest::newRow("spotify") << QStringLiteral("ServiceSpotify") << true;
        QTest::newRow("soulseek") << QStringLiteral("ServiceSoulseek") << true;
        QTest::newRow("bandcamp") << QStringLiteral("ServiceBandcamp") << true;
        QTest::newRow("soundcloud") << QStringLiteral("ServiceSoundCloud") << true;
        QTest::newRow("youtube") << QStringLiteral("ServiceYouTube") << true;
        QTest::newRow("vpn") << QStringLiteral("ServiceVPN") << true;
        QTest::newRow("acoustid") << QStringLiteral("ServiceAcoustID") << false;
        QTest::newRow("symbol name") << QStringLiteral("music.note") << false;
    }
    void logos()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QCOMPARE(AssetImages::contains(name), exists);
        if (!exists)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no image named")));
        const Ink ink
            = inkOf([&](QPainter& p, const QRectF& r) { AssetImages::paint(p, r, name, Qt::white); });
        QCOMPARE(ink.pixels > 40, exists);
    }
};

QTEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
