#include "TestSupport/WireTesting.h"
#include "Transport/SafeConfig.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

const auto kAnyRecord = [](const QVariant& variant, auto&& check) {
    withRecord<SafeConfig, ConfigPatch, ToolStatusDTO, ProvisionToolsResult>(variant, check);
};

const SafeConfig::Quality kQuality { QualityFloor::flac, true, true, false };
const SafeConfig::Run kRun { 8, 3, 2.5, 20, 24 };

// A configuration line with every key; `tail` replaces the optional last part.
QByteArray configLine(const char* outputDir, const char* tail)
{
    return jsonLine(
               "{'sources':['soulseek','youtube'],"
               "'quality':{'floor':'flac','losslessOnly':true,'bestQuality':true,'upgradeEnabled':false},"
               "'run':{'searchCount':8,'concurrency':3,'toleranceSec':2.5,'searchTimeoutSec':20,'"
               "cooloffHours':24},"
               "'ui':{'theme':'dark'},")
        + jsonLine(outputDir)
        + jsonLine("'identity':{'enabled':true,'strict':false},'proxy':{'enabled':false,'configured':true},"
                   "'spotifyConnected':true,'soundcloudConnected':false,'acoustidConfigured':true,"
                   "'appleMusicConnected':false")
        + jsonLine(tail);
}

SafeConfig config(std::optional<QString> outputDir, std::optional<QString> clientId)
{
    return SafeConfig { { SourceId::soulseek, SourceId::youtube }, kQuality, kRun, { Theme::dark }, outputDir,
        { true, false }, { false, true }, true, false, true, false, clientId };
}

} // namespace

class TestConfigRecords : public QObject {
    Q_OBJECT

private slots:
    // Hand-written lines decode to the value and the value encodes back to the
    // same text: keys in declared order, empty optionals and unset patch fields
    // left out, nested records whole.
    void roundTripsExactly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("configuration, every key")
            << configLine("'outputDir':'~/Music/Imports',", ",'effectiveSpotifyClientId':'abc123'}")
            << record(config(QStringLiteral("~/Music/Imports"), QStringLiteral("abc123")));
        QTest::newRow("configuration without outputDir and client id")
            << configLine("", "}") << record(config(std::nullopt, std::nullopt));

        QTest::newRow("patch, nothing set") << jsonLine("{}") << record(ConfigPatch {});
        QTest::newRow("patch, proxyEnabled false")
            << jsonLine("{'proxyEnabled':false}") << record(ConfigPatch { .proxyEnabled = false });
        QTest::newRow("patch, whole quality record") << jsonLine(
            "{'quality':{'floor':'mp3-320','losslessOnly':false,'bestQuality':true,'upgradeEnabled':true}}")
                                                     << record(ConfigPatch {
                                                            .quality = SafeConfig::Quality {
                                                                QualityFloor::mp3_320, false, true, true } });
        QTest::newRow("patch, several fields in order") << jsonLine(
            "{'sources':['bandcamp','soulseek'],'run':{'searchCount':5,'concurrency':2,'toleranceSec':3,"
            "'searchTimeoutSec':12.5,'cooloffHours':0.5},'ui':{'theme':'light'},"
            "'outputDir':'/media/usb/Music','identity':{'enabled':false,'strict':true},"
            "'proxyEnabled':true}")
                                                        << record(ConfigPatch { QList { SourceId::bandcamp,
                                                                                    SourceId::soulseek },
                                                               std::nullopt,
                                                               SafeConfig::Run { 5, 2, 3, 12.5, 0.5 },
                                                               SafeConfig::UI { Theme::light },
                                                               QStringLiteral("/media/usb/Music"),
                                                               SafeConfig::Identity { false, true }, true });
        QTest::newRow("patch, no sources enabled")
            << jsonLine("{'sources':[]}") << record(ConfigPatch { .sources = QList<SourceId> {} });

        QTest::newRow("tool status") << jsonLine(
            "{'id':'ffmpeg','name':'FFmpeg','status':'ok','detail':'7.0'}")
                                     << record(ToolStatusDTO { "ffmpeg", "FFmpeg", "ok", "7.0" });
        QTest::newRow("provisioning result")
            << jsonLine(
                   "{'ok':false,'tools':[{'id':'yt-dlp','name':'yt-dlp','status':'ok','detail':'2024.08.06'},"
                   "{'id':'ffmpeg','name':'FFmpeg','status':'error','detail':'checksum mismatch'}]}")
            << record(ProvisionToolsResult { false,
                   { { "yt-dlp", "yt-dlp", "ok", "2024.08.06" },
                       { "ffmpeg", "FFmpeg", "error", "checksum mismatch" } } });
    }
    void roundTripsExactly()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyRoundTrip(line, expected); });
    }

    void decodesLeniently_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("configuration with nulls and unknown keys") << configLine(
            "'outputDir':null,'downloadDir':'/tmp',",
            ",'effectiveSpotifyClientId':null,'version':3}") << record(config(std::nullopt, std::nullopt));
        QTest::newRow("patch with nulls") << jsonLine("{'quality':null,'outputDir':null,'proxyEnabled':true}")
                                          << record(ConfigPatch { .proxyEnabled = true });
        QTest::newRow("run counts written with a fraction") << jsonLine(
            "{'run':{'searchCount':8.0,'concurrency':3,'toleranceSec':2,'searchTimeoutSec':20,"
            "'cooloffHours':24}}") << record(ConfigPatch { .run = SafeConfig::Run { 8, 3, 2, 20, 24 } });
    }
    void decodesLeniently()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyDecodes(line, expected); });
    }

    // There are no defaults: one missing or malformed key anywhere fails the
    // whole record.
    void rejectsMalformed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("type");

        const QVariant safeConfig = record(SafeConfig {});
        QByteArray line = configLine("", "}");
        QTest::newRow("configuration without acoustidConfigured")
            << QByteArray(line).replace("\"acoustidConfigured\":true,", "") << safeConfig;
        QTest::newRow("configuration theme outside vocabulary")
            << QByteArray(line).replace("\"theme\":\"dark\"", "\"theme\":\"system\"") << safeConfig;
        QTest::newRow("configuration with a playlist source as download source")
            << QByteArray(line).replace("\"youtube\"", "\"spotify\"") << safeConfig;
        QTest::newRow("configuration sources as text")
            << QByteArray(line).replace("[\"soulseek\",\"youtube\"]", "\"soulseek\"") << safeConfig;
        QTest::newRow("configuration searchCount 8.5")
            << QByteArray(line).replace("\"searchCount\":8", "\"searchCount\":8.5") << safeConfig;
        QTest::newRow("configuration tolerance as text")
            << QByteArray(line).replace("\"toleranceSec\":2.5", "\"toleranceSec\":\"2.5\"") << safeConfig;
        QTest::newRow("configuration floor as case name")
            << QByteArray(line).replace("\"floor\":\"flac\"", "\"floor\":\"mp3_320\"") << safeConfig;
        QTest::newRow("configuration without proxy.configured")
            << QByteArray(line).replace(",\"configured\":true", "") << safeConfig;
        QTest::newRow("configuration quality null") << QByteArray(line).replace(
            "\"quality\":{\"floor\":\"flac\",\"losslessOnly\":true,\"bestQuality\":true,"
            "\"upgradeEnabled\":false}",
            "\"quality\":null") << safeConfig;

        const QVariant patch = record(ConfigPatch {});
        QTest::newRow("patch proxyEnabled as text") << jsonLine("{'proxyEnabled':'false'}") << patch;
        QTest::newRow("patch with part of a quality record")
            << jsonLine("{'quality':{'floor':'flac'}}") << patch;
        QTest::newRow("patch with unknown source") << jsonLine("{'sources':['soulseek','napster']}") << patch;

        const QVariant provisioning = record(ProvisionToolsResult {});
        QTest::newRow("provisioning with one row missing detail") << jsonLine(
            "{'ok':true,'tools':[{'id':'a','name':'A','status':'ok','detail':''},"
            "{'id':'b','name':'B','status':'ok'}]}") << provisioning;
        QTest::newRow("provisioning without ok") << jsonLine("{'tools':[]}") << provisioning;
        QTest::newRow("tool detail null")
            << jsonLine("{'id':'a','name':'A','status':'ok','detail':null}") << record(ToolStatusDTO {});
    }
    void rejectsMalformed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, type);
        kAnyRecord(type, [&](const auto& marker) { verifyRejects<std::decay_t<decltype(marker)>>(line); });
    }

    void encodingRefusesNonFiniteNumbers()
    {
        ConfigPatch patch;
        patch.run = SafeConfig::Run { 8, 3, qQNaN(), 20, 24 };
        QVERIFY_THROWS_EXCEPTION(EncodeError, encodeValue(patch));
        patch.run->toleranceSec = 2;
        patch.run->cooloffHours = qInf();
        QVERIFY_THROWS_EXCEPTION(EncodeError, encodeValue(patch));
    }
};

QTEST_GUILESS_MAIN(TestConfigRecords)
#include "tst_configRecords.moc"
