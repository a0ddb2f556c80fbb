#include "Styling/PreviewPalettes.h"
#include "Styling/Tokens.h"

#include <QtTest>

using namespace mivo;
namespace Source = Tokens::Source;

Q_DECLARE_METATYPE(StatusRole)
Q_DECLARE_METATYPE(PlaylistSourceId)
Q_DECLARE_METATYPE(SourceId)
Q_DECLARE_METATYPE(Phase)

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(ThemeColor)

class TestTokens : public QObject {
    Q_OBJECT

private slots:
    void lengths_data()
    {
        QTest::addColumn<qreal>("value");
        QTest::addColumn<qreal>("expected");
        QTest::newRow("space xxs") << Tokens::Space::xxs << 2.0;
        QTest::newRow("space xs") << Tokens::Space::xs << 4.0;
        QTest::newRow("space sm") << Tokens::Space::sm << 8.0;
        QTest::newRow("space md") << Tokens::Space::md << 12.0;
        QTest::newRow("space lg") << Tokens::Space::lg << 16.0;
        QTest::newRow("space xl") << Tokens::Space::xl << 24.0;
        QTest::newRow("space xxl") << Tokens::Space::xxl << 32.0;
        QTest::newRow("radius chip") << Tokens::Radius::chip << 6.0;
        QTest::newRow("radius control") << Tokens::Radius::control << 8.0;
        QTest::newRow("radius card") << Tokens::Radius::card << 12.0;
        QTest::newRow("radius panel") << Tokens::Radius::panel << 16.0;
        QTest::newRow("art row") << Tokens::Art::row << 30.0;
        QTest::newRow("art sidebar") << Tokens::Art::sidebar << 22.0;
        QTest::newRow("art header") << Tokens::Art::header << 56.0;
        QTest::newRow("art inspector") << Tokens::Art::inspector << 64.0;
    }
    void lengths()
    {
        QFETCH(qreal, value);
        QFETCH(qreal, expected);
        QCOMPARE(value, expected);
    }

    void playlistSources_data()
    {
        QTest::addColumn<PlaylistSourceId>("source");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("asset");
        QTest::addColumn<QColor>("accent");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("apple") << PlaylistSourceId::apple << "Apple Music"
                               << "ServiceAppleMusic" << QColor(0xFC, 0x3C, 0x44) << "music.note";
        QTest::newRow("spotify") << PlaylistSourceId::spotify << "Spotify"
                                 << "ServiceSpotify" << QColor(0x1E, 0xD7, 0x60) << "music.note.list";
    }
    void playlistSources()
    {
        QFETCH(PlaylistSourceId, source);
        QFETCH(QString, name);
        QFETCH(QString, asset);
        QFETCH(QColor, accent);
        QFETCH(QString, symbol);
        QCOMPARE(Source::displayName(source), name);
        QCOMPARE(Source::logoAsset(source), asset);
        QCOMPARE(Source::accent(source), ThemeColor::fixed(accent));
        QCOMPARE(Source::sfSymbol(source), symbol);
    }

    void downloadSources_data()
    {
        QTest::addColumn<SourceId>("source");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("asset");
        QTest::addColumn<QColor>("accent");
        QTest::newRow("soulseek") << SourceId::soulseek << "Soulseek"
                                  << "ServiceSoulseek" << QColor(0x2D, 0x7D, 0xD2);
        QTest::newRow("bandcamp") << SourceId::bandcamp << "Bandcamp"
                                  << "ServiceBandcamp" << QColor(0x1D, 0xA0, 0xC3);
        QTest::newRow("soundcloud") << SourceId::soundcloud << "SoundCloud"
                                    << "ServiceSoundCloud" << QColor(0xFF, 0x55, 0x00);
        QTest::newRow("youtube") << SourceId::youtube << "YouTube"
                                 << "ServiceYouTube" << QColor(0xFF, 0x00, 0x00);
    }
    void downloadSources()
    {
        QFETCH(SourceId, source);
        QFETCH(QString, name);
        QFETCH(QString, asset);
        QFETCH(QColor, accent);
        QCOMPARE(Source::displayName(source), name);
        QCOMPARE(Source::logoAsset(source), asset);
        QCOMPARE(Source::accent(source), ThemeColor::fixed(accent));
        // The text form recognises exactly the raw value and gives the same identity.
        const Source::DownloadSourceStyle style = Source::downloadStyle(rawString(source));
        QCOMPARE(style, (Source::DownloadSourceStyle { name, ThemeColor::fixed(accent), asset }));
    }

    void unrecognisedDownloadSource_data()
    {
        QTest::addColumn<OptionalText>("raw");
        QTest::newRow("display name") << OptionalText(QStringLiteral("SoundCloud"));
        QTest::newRow("capitalised") << OptionalText(QStringLiteral("Bandcamp"));
        QTest::newRow("leading space") << OptionalText(QStringLiteral(" youtube"));
        QTest::newRow("trailing newline") << OptionalText(QStringLiteral("soulseek\n"));
        QTest::newRow("other source") << OptionalText(QStringLiteral("deezer"));
        QTest::newRow("empty") << OptionalText(QString());
        QTest::newRow("absent") << OptionalText();
    }
    void unrecognisedDownloadSource()
    {
        QFETCH(OptionalText, raw);
        const Source::DownloadSourceStyle style = Source::downloadStyle(raw);
        QCOMPARE(style.label, QStringLiteral("Unknown"));
        QCOMPARE(style.color, ThemeColor::secondary());
        QCOMPARE(style.asset, std::nullopt);
    }

    void statusRoles_data()
    {
        QTest::addColumn<StatusRole>("role");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<ThemeColor>("color");
        QTest::newRow("queued") << StatusRole::queued << "circle" << ThemeColor::secondary();
        QTest::newRow("working") << StatusRole::working << "arrow.triangle.2.circlepath"
                                 << ThemeColor::accent();
        QTest::newRow("review") << StatusRole::review << "exclamationmark.triangle.fill"
                                << ThemeColor::orange();
        QTest::newRow("done") << StatusRole::done << "checkmark.circle.fill" << ThemeColor::green();
        QTest::newRow("failed") << StatusRole::failed << "xmark.circle.fill" << ThemeColor::red();
        QTest::newRow("skipped") << StatusRole::skipped << "minus.circle" << ThemeColor::secondary();
        QTest::newRow("present") << StatusRole::present << "checkmark.seal.fill" << ThemeColor::green();
    }
    void statusRoles()
    {
        QFETCH(StatusRole, role);
        QFETCH(QString, symbol);
        QFETCH(ThemeColor, color);
        QCOMPARE(Tokens::Status::symbol(role), symbol);
        QCOMPARE(Tokens::Status::color(role), color);
    }

    void phases_data()
    {
        QTest::addColumn<Phase>("phase");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("label");
        QTest::newRow("searching") << Phase::searching << "magnifyingglass"
                                   << "Searching";
        QTest::newRow("downloading") << Phase::downloading << "arrow.down.circle"
                                     << "Downloading";
        QTest::newRow("converting") << Phase::converting << "waveform"
                                    << "Converting";
        QTest::newRow("tagging") << Phase::tagging << "tag"
                                 << "Tagging";
        QTest::newRow("verifying") << Phase::verifying << "checkmark.shield"
                                   << "Verifying";
    }
    void phases()
    {
        QFETCH(Phase, phase);
        QFETCH(QString, symbol);
        QFETCH(QString, label);
        QCOMPARE(Tokens::PhaseStyle::symbol(phase), symbol);
        QCOMPARE(Tokens::PhaseStyle::label(phase), label);
    }

    // Service colours are the same in both appearances; the named status colours
    // follow the palette they are drawn in (secondary text its opacity too, to
    // stay legible on it).
    void coloursResolveAgainstThePalette_data()
    {
        QTest::addColumn<ThemeColor>("color");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("apple") << Source::apple() << true;
        QTest::newRow("soulseek") << Source::soulseek() << true;
        QTest::newRow("unknown source") << Source::downloadStyle(std::nullopt).color << false;
        QTest::newRow("done") << Tokens::Status::color(StatusRole::done) << false;
        QTest::newRow("working") << Tokens::Status::color(StatusRole::working) << false;
        QTest::newRow("review") << Tokens::Status::color(StatusRole::review) << false;
    }
    void coloursResolveAgainstThePalette()
    {
        QFETCH(ThemeColor, color);
        QFETCH(bool, fixed);
        const QColor light = color.resolve(PreviewPalettes::light());
        const QColor dark = color.resolve(PreviewPalettes::dark());
        QVERIFY(light.isValid() && dark.isValid());
        if (fixed)
            QCOMPARE(light.alpha(), dark.alpha());
        QCOMPARE(light == dark, fixed);
    }

    void secondaryFollowsTheTextColour()
    {
        QPalette palette = PreviewPalettes::light();
        palette.setColor(QPalette::WindowText, QColor(200, 0, 0));
        const QColor secondary = ThemeColor::secondary().resolve(palette);
        QCOMPARE(secondary.rgb(), QColor(200, 0, 0).rgb());
        QVERIFY(secondary.alpha() < 255 && secondary.alpha() > 0);
        QCOMPARE(ThemeColor::accent().resolve(palette), palette.color(QPalette::Highlight));
    }

    void opacityMultiplies_data()
    {
        QTest::addColumn<qreal>("first");
        QTest::addColumn<qreal>("second");
        QTest::addColumn<int>("alpha");
        QTest::newRow("half of half") << 0.5 << 0.5 << 64;
        QTest::newRow("above one clamps") << 3.0 << 1.0 << 255;
        QTest::newRow("negative clamps") << -1.0 << 1.0 << 0;
        QTest::newRow("NaN is invisible") << qQNaN() << 1.0 << 0;
    }
    void opacityMultiplies()
    {
        QFETCH(qreal, first);
        QFETCH(qreal, second);
        QFETCH(int, alpha);
        const QColor c
            = Source::spotify().withOpacity(first).withOpacity(second).resolve(PreviewPalettes::light());
        QVERIFY(std::abs(c.alpha() - alpha) <= 1);
        QCOMPARE(c.rgb(), QColor(0x1E, 0xD7, 0x60).rgb());
    }
};

QTEST_MAIN(TestTokens)
#include "tst_tokens.moc"
