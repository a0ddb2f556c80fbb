#include "Styling/Format.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace mivo;

using OptionalText = std::optional<QString>;
Q_DECLARE_METATYPE(OptionalText)

namespace {
const QString kDash = QStringLiteral("\u2014");
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The largest double below 2^63, and 2^63 itself.
constexpr double kBelowTwo63 = 9223372036854774784.0;
constexpr double kTwo63 = 9223372036854775808.0;
} // namespace

class TestFormat : public QObject {
    Q_OBJECT

private slots:
    void qualityLine_data()
    {
        QTest::addColumn<bool>("hasMeta");
        QTest::addColumn<OptionalText>("format");
        QTest::addColumn<OptionalText>("bitrate");
        QTest::addColumn<OptionalText>("expected");

        const OptionalText none;
        const auto t = [](const char* s) { return OptionalText(QString::fromUtf8(s)); };
        QTest::newRow("flac hides bitrate") << true << t("flac") << t("1411") << t("FLAC");
        QTest::newRow("alac hides bitrate") << true << t("alac") << t("1411") << t("ALAC");
        QTest::newRow("mixed-case flac") << true << t("Flac") << t("900 kbps") << t("FLAC");
        QTest::newRow("mp3 with bare number") << true << t("mp3") << t("320") << t("MP3 \u00B7 320 kbps");
        QTest::newRow("unit kept as written") << true << t("mp3") << t("320kbps") << t("MP3 \u00B7 320kbps");
        QTest::newRow("kb/s in any case") << true << t("aac") << t("256 KB/s") << t("AAC \u00B7 256 KB/s");
        QTest::newRow("kbps in any case") << true << t("ogg") << t("160 Kbps") << t("OGG \u00B7 160 Kbps");
        QTest::newRow("empty bitrate") << true << t("mp3") << t("") << t("MP3");
        QTest::newRow("absent bitrate") << true << t("m4a") << none << t("M4A");
        QTest::newRow("empty format") << true << t("") << t("192") << t("192 kbps");
        QTest::newRow("absent format") << true << none << t("192") << t("192 kbps");
        QTest::newRow("both empty") << true << t("") << t("") << none;
        QTest::newRow("both absent") << true << none << none << none;
        QTest::newRow("no meta") << false << none << none << none;
    }
    void qualityLine()
    {
        QFETCH(bool, hasMeta);
        QFETCH(OptionalText, format);
        QFETCH(OptionalText, bitrate);
        QFETCH(OptionalText, expected);
        std::optional<TrackMeta> meta;
        if (hasMeta)
            meta = TrackMeta { format, bitrate, QStringLiteral("soulseek") };
        QCOMPARE(Format::qualityLine(meta), expected);
    }

    void duration_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << kDash;
        QTest::newRow("negative zero") << -0.0 << kDash;
        QTest::newRow("negative") << -3.0 << kDash;
        QTest::newRow("positive rounds to zero") << 0.4 << QStringLiteral("0:00");
        QTest::newRow("half rounds up") << 59.5 << QStringLiteral("1:00");
        QTest::newRow("padded seconds") << 61.0 << QStringLiteral("1:01");
        QTest::newRow("no hours field") << 3725.0 << QStringLiteral("62:05");
        QTest::newRow("NaN") << kNaN << kDash;
        QTest::newRow("infinity") << kInf << kDash;
        QTest::newRow("negative infinity") << -kInf << kDash;
        QTest::newRow("largest whole count") << kBelowTwo63 << QStringLiteral("153722867280912913:04");
        QTest::newRow("2^63 seconds") << kTwo63 << kDash;
        QTest::newRow("beyond 64 bits") << 1e300 << kDash;
    }
    void duration()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(Format::duration(seconds), expected);
    }

    void deltaSeconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("small positive") << 0.4 << QStringLiteral("\u00B10s");
        QTest::newRow("small negative") << -0.4 << QStringLiteral("\u00B10s");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("\u00B10s");
        QTest::newRow("half up") << 0.5 << QStringLiteral("+1s");
        QTest::newRow("half down uses minus sign") << -0.5 << QStringLiteral("\u22121s");
        QTest::newRow("positive") << 12.3 << QStringLiteral("+12s");
        QTest::newRow("negative") << -7.0 << QStringLiteral("\u22127s");
        QTest::newRow("no grouping") << 12345.0 << QStringLiteral("+12345s");
        QTest::newRow("largest negative count")
            << -kBelowTwo63 << QStringLiteral("\u22129223372036854774784s");
        QTest::newRow("-2^63 has no magnitude") << -kTwo63 << kDash;
        QTest::newRow("beyond 64 bits") << 1e19 << kDash;
        QTest::newRow("NaN") << kNaN << kDash;
        QTest::newRow("infinity") << kInf << kDash;
        QTest::newRow("negative infinity") << -kInf << kDash;
    }
    void deltaSeconds()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(Format::deltaSeconds(seconds), expected);
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
