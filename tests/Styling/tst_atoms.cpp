#include "Styling/ConfidenceMeter.h"
#include "Styling/PreviewPalettes.h"
#include "Styling/SourceBadge.h"
#include "Styling/SourceLogo.h"
#include "Styling/StatusPill.h"

#include <QAccessible>
#include <QtTest>
#include <functional>
#include <limits>
#include <memory>

using namespace mivo;

using OptionalText = std::optional<QString>;
using OptionalStyle = std::optional<Tokens::Source::DownloadSourceStyle>;
Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(OptionalStyle)
Q_DECLARE_METATYPE(ThemeColor)

using Factory = std::function<QWidget*()>;
Q_DECLARE_METATYPE(Factory)

namespace {

QString accessibleText(QWidget* widget, QAccessible::Text which)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(which) : QString();
}

QAccessible::Role accessibleRole(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->role() : QAccessible::NoRole;
}

TrackMeta metaFrom(const char* source)
{
    return TrackMeta { QStringLiteral("mp3"), QStringLiteral("320"), QString::fromLatin1(source) };
}

} // namespace

class TestAtoms : public QObject {
    Q_OBJECT

private slots:
    // Each atom renders offscreen in both appearances at its natural size and is
    // one element for assistive technology with the right name.
    void rendersInBothPalettes_data()
    {
        QTest::addColumn<Factory>("make");
        QTest::addColumn<QSize>("exactSize");
        QTest::addColumn<QString>("accessibleName");
        QTest::addColumn<int>("role");

        const std::pair<const char*, QPalette> palettes[]
            = { { "light", PreviewPalettes::light() }, { "dark", PreviewPalettes::dark() } };
        for (const auto& [appearance, palette] : palettes) {
            const QByteArray suffix = QByteArray(", ") + appearance;
            const auto withPalette = [palette = palette](QWidget* w) {
                w->setPalette(palette);
                return w;
            };
            QTest::newRow("logo, playlist source" + suffix)
                << Factory([=] { return withPalette(new SourceLogo(PlaylistSourceId::spotify, 56)); })
                << QSize(56, 56) << QStringLiteral("Spotify") << int(QAccessible::Graphic);
            QTest::newRow("logo, download source" + suffix)
                << Factory([=] { return withPalette(new SourceLogo(SourceId::soundcloud, 22)); })
                << QSize(22, 22) << QStringLiteral("SoundCloud") << int(QAccessible::Graphic);
            QTest::newRow("badge" + suffix)
                << Factory([=] { return withPalette(new SourceBadge(std::optional(metaFrom("bandcamp")))); })
                << QSize() << QStringLiteral("Source Bandcamp") << int(QAccessible::StaticText);
            QTest::newRow("badge, unknown source" + suffix)
                << Factory([=] { return withPalette(new SourceBadge(std::optional(metaFrom("Bandcamp")))); })
                << QSize() << QStringLiteral("Source Unknown") << int(QAccessible::StaticText);
            QTest::newRow("pill" + suffix) << Factory([=] {
                return withPalette(new StatusPill(StatusRole::working, QStringLiteral("Tagging")));
            }) << QSize() << QStringLiteral("Tagging")
                                           << int(QAccessible::StaticText);
            QTest::newRow("prominent pill" + suffix) << Factory([=] {
                return withPalette(
                    new StatusPill(StatusRole::failed, QStringLiteral("No match found"), true));
            }) << QSize() << QStringLiteral("No match found")
                                                     << int(QAccessible::StaticText);
            QTest::newRow("meter" + suffix)
                << Factory([=] { return withPalette(new ConfidenceMeter(0.87, true)); }) << QSize()
                << QStringLiteral("Match confidence") << int(QAccessible::ProgressBar);
        }
    }
    void rendersInBothPalettes()
    {
        QFETCH(Factory, make);
        QFETCH(QSize, exactSize);
        QFETCH(QString, accessibleName);
        QFETCH(int, role);
        std::unique_ptr<QWidget> widget(make());
        widget->resize(widget->sizeHint());
        const QPixmap pixmap = widget->grab();
        QVERIFY(!pixmap.isNull());
        QVERIFY(widget->width() > 0 && widget->height() > 0);
        if (exactSize.isValid())
            QCOMPARE(widget->size(), exactSize);
        QCOMPARE(accessibleText(widget.get(), QAccessible::Name), accessibleName);
        QCOMPARE(int(accessibleRole(widget.get())), role);
    }

    void logoGeometry_data()
    {
        QTest::addColumn<qreal>("size");
        QTest::addColumn<qreal>("padding");
        QTest::addColumn<qreal>("radius");
        QTest::newRow("header") << 56.0 << 13.44 << 15.68;
        QTest::newRow("sidebar") << 22.0 << 5.28 << 6.16;
    }
    void logoGeometry()
    {
        QFETCH(qreal, size);
        QFETCH(qreal, padding);
        QFETCH(qreal, radius);
        QVERIFY(qFuzzyCompare(SourceLogo::padding(size), padding));
        QVERIFY(qFuzzyCompare(SourceLogo::cornerRadius(size), radius));
    }

    void logoTakesTheServiceIdentity()
    {
        const SourceLogo spotify(PlaylistSourceId::spotify, 36);
        QCOMPARE(spotify.asset(), QStringLiteral("ServiceSpotify"));
        QCOMPARE(spotify.accent(), Tokens::Source::spotify());
        QCOMPARE(spotify.name(), QStringLiteral("Spotify"));
        const SourceLogo youtube(SourceId::youtube, 36);
        QCOMPARE(youtube.asset(), QStringLiteral("ServiceYouTube"));
        QCOMPARE(youtube.accent(), Tokens::Source::youtube());
        // A size that is not a usable length is kept within bounds rather than failing.
        const SourceLogo broken(SourceId::youtube, std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(broken.size(), QSize(0, 0));
        const SourceLogo huge(SourceId::youtube, 1e300);
        QCOMPARE(huge.size(), QSize(4096, 4096));
    }

    void badgeFromMeta_data()
    {
        QTest::addColumn<bool>("hasMeta");
        QTest::addColumn<OptionalText>("source");
        QTest::addColumn<OptionalStyle>("style");
        const OptionalStyle none;
        const OptionalStyle bandcamp = Tokens::Source::DownloadSourceStyle { QStringLiteral("Bandcamp"),
            Tokens::Source::bandcamp(), QStringLiteral("ServiceBandcamp") };
        const OptionalStyle unknown = Tokens::Source::DownloadSourceStyle { QStringLiteral("Unknown"),
            ThemeColor::secondary(), std::nullopt };
        QTest::newRow("no meta") << false << OptionalText() << none;
        QTest::newRow("meta without source") << true << OptionalText() << none;
        QTest::newRow("known source") << true << OptionalText(QStringLiteral("bandcamp")) << bandcamp;
        QTest::newRow("capitalised source") << true << OptionalText(QStringLiteral("Bandcamp")) << unknown;
        QTest::newRow("empty source") << true << OptionalText(QString()) << unknown;
    }
    void badgeFromMeta()
    {
        QFETCH(bool, hasMeta);
        QFETCH(OptionalText, source);
        QFETCH(OptionalStyle, style);
        std::optional<TrackMeta> meta;
        if (hasMeta)
            meta = TrackMeta { std::nullopt, std::nullopt, source };
        QWidget row;
        const auto* badge = new SourceBadge(meta, &row);
        QCOMPARE(badge->sourceStyle(), style);
        // Without a style the badge takes no room and is never shown.
        QCOMPARE(badge->isVisibleTo(&row), style.has_value());
        QCOMPARE(badge->sizeHint().isEmpty(), !style.has_value());
    }

    void badgeIconTakesRoom()
    {
        const SourceBadge known(std::optional(metaFrom("youtube")));
        const SourceBadge plain(OptionalStyle(Tokens::Source::DownloadSourceStyle {
            QStringLiteral("YouTube"), Tokens::Source::youtube(), std::nullopt }));
        QCOMPARE(known.sizeHint().width() - plain.sizeHint().width(), 16);
    }

    void pillFollowsItsText()
    {
        StatusPill pill(StatusRole::queued, QStringLiteral("Queued"));
        const QSize before = pill.sizeHint();
        pill.setText(QStringLiteral("Queued for a long while"));
        QVERIFY(pill.sizeHint().width() > before.width());
        QCOMPARE(accessibleText(&pill, QAccessible::Name), QStringLiteral("Queued for a long while"));
        pill.setProminent(true);
        QVERIFY(pill.sizeHint().width() >= before.width());
    }

    void meterValue_data()
    {
        QTest::addColumn<double>("input");
        QTest::addColumn<double>("stored");
        QTest::addColumn<int>("percent");
        QTest::addColumn<ThemeColor>("tint");
        constexpr double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("half is not below half") << 0.5 << 0.5 << 50 << ThemeColor::yellow();
        QTest::newRow("just below half") << 0.4999 << 0.4999 << 50 << ThemeColor::orange();
        QTest::newRow("three quarters") << 0.75 << 0.75 << 75 << ThemeColor::green();
        QTest::newRow("just below three quarters") << 0.7499 << 0.7499 << 75 << ThemeColor::yellow();
        QTest::newRow("half percent rounds away from zero") << 0.125 << 0.125 << 13 << ThemeColor::orange();
        QTest::newRow("above one") << 1.3 << 1.0 << 100 << ThemeColor::green();
        QTest::newRow("below zero") << -0.2 << 0.0 << 0 << ThemeColor::orange();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0.0 << 0 << ThemeColor::orange();
        QTest::newRow("infinity") << inf << 1.0 << 100 << ThemeColor::green();
        QTest::newRow("negative infinity") << -inf << 0.0 << 0 << ThemeColor::orange();
        QTest::newRow("huge") << 1e300 << 1.0 << 100 << ThemeColor::green();
    }
    void meterValue()
    {
        QFETCH(double, input);
        QFETCH(double, stored);
        QFETCH(int, percent);
        QFETCH(ThemeColor, tint);
        ConfidenceMeter meter(input, true);
        QCOMPARE(meter.value(), stored);
        QCOMPARE(meter.percent(), percent);
        QCOMPARE(meter.tint(), tint);
        QCOMPARE(meter.percentText(), QStringLiteral("%1%").arg(percent));
        QCOMPARE(accessibleText(&meter, QAccessible::Value), QStringLiteral("%1 percent").arg(percent));
        QCOMPARE(accessibleText(&meter, QAccessible::Name), QStringLiteral("Match confidence"));
        // A screen reader reads a gauge's value from its value, as a share of its range.
        QAccessibleValueInterface* gauge = QAccessible::queryAccessibleInterface(&meter)->valueInterface();
        QVERIFY(gauge);
        QCOMPARE(gauge->currentValue().toInt(), percent);
        QCOMPARE(gauge->minimumValue().toInt(), 0);
        QCOMPARE(gauge->maximumValue().toInt(), 100);
    }

    void meterWithoutPercentNeedsLessRoom()
    {
        const ConfidenceMeter with(0.87, true);
        const ConfidenceMeter without(0.87, false);
        QVERIFY(without.minimumSizeHint().width() < with.minimumSizeHint().width());
        QCOMPARE(accessibleText(const_cast<ConfidenceMeter*>(&without), QAccessible::Value),
            QStringLiteral("87 percent"));
    }
};

QTEST_MAIN(TestAtoms)
#include "tst_atoms.moc"
