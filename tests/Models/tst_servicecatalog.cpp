#include "Models/ServiceCatalog.h"

#include <QtTest>

using namespace mivo;
using ServiceCatalog::DownloadSourceInfo;

class ServiceCatalogTest : public QObject {
    Q_OBJECT

private slots:
    void downloadSourceTexts_data();
    void downloadSourceTexts();
    void everySourceHasExactlyOneRowInPriorityOrder();
    void unknownSourceFallsBackToSoulseek();
    void onlySoundCloudTakesACredential();
    void qualityProfileTexts_data();
    void qualityProfileTexts();
};

void ServiceCatalogTest::downloadSourceTexts_data()
{
    QTest::addColumn<SourceId>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("assetName");
    QTest::addColumn<QString>("blurb");

    QTest::newRow("soulseek") << SourceId::soulseek << "Soulseek"
                              << "ServiceSoulseek"
                              << "Peer-to-peer lossless sharing — best quality (FLAC). No setup needed.";
    QTest::newRow("bandcamp") << SourceId::bandcamp << "Bandcamp"
                              << "ServiceBandcamp"
                              << "Real FLAC for lossless tracks, straight from artists.";
    QTest::newRow("soundcloud")
        << SourceId::soundcloud << "SoundCloud"
        << "ServiceSoundCloud"
        << "Remixes and DJ edits. Add a token to unlock higher-quality (256 kbps) streams.";
    QTest::newRow("youtube") << SourceId::youtube << "YouTube"
                             << "ServiceYouTube"
                             << "The widest catalog, as a lossy last resort.";
}

void ServiceCatalogTest::downloadSourceTexts()
{
    QFETCH(SourceId, id);
    QFETCH(QString, name);
    QFETCH(QString, assetName);
    QFETCH(QString, blurb);

    const DownloadSourceInfo& row = ServiceCatalog::downloadSource(id);
    QCOMPARE(row.id, id);
    QCOMPARE(row.name, name);
    QCOMPARE(row.assetName, assetName);
    QCOMPARE(row.blurb, blurb);
}

void ServiceCatalogTest::everySourceHasExactlyOneRowInPriorityOrder()
{
    QList<SourceId> ids;
    for (const DownloadSourceInfo& row : ServiceCatalog::downloadSources())
        ids.append(row.id);
    constexpr auto expected = allCases<SourceId>();
    QCOMPARE(ids, QList<SourceId>(expected.begin(), expected.end()));
}

void ServiceCatalogTest::unknownSourceFallsBackToSoulseek()
{
    QCOMPARE(ServiceCatalog::downloadSource(static_cast<SourceId>(99)).id, SourceId::soulseek);
}

void ServiceCatalogTest::onlySoundCloudTakesACredential()
{
    for (const DownloadSourceInfo& row : ServiceCatalog::downloadSources()) {
        if (row.id == SourceId::soundcloud) {
            QCOMPARE(row.keyService, std::optional(AccountService::soundcloud));
            QCOMPARE(row.keyPlaceholder, std::optional(QStringLiteral("SoundCloud OAuth token (optional)")));
        } else {
            QVERIFY2(!row.keyService && !row.keyPlaceholder, qPrintable(row.name));
        }
    }
}

void ServiceCatalogTest::qualityProfileTexts_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QualityProfile>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("blurb");

    QTest::newRow("best") << 0 << QualityProfile::best << "Best"
                          << "Upgrade to lossless whenever it's available.";
    QTest::newRow("balanced") << 1 << QualityProfile::balanced << "Balanced"
                              << "Keep 256k+/lossless; replace anything worse or missing.";
    QTest::newRow("fast") << 2 << QualityProfile::fast << "Fast"
                          << "Accept the first decent match — fills your library quickly.";
}

void ServiceCatalogTest::qualityProfileTexts()
{
    QFETCH(int, position);
    QFETCH(QualityProfile, id);
    QFETCH(QString, name);
    QFETCH(QString, blurb);

    const QList<ServiceCatalog::QualityProfileInfo>& rows = ServiceCatalog::qualityProfiles();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(position), (ServiceCatalog::QualityProfileInfo { id, name, blurb }));
}

QTEST_GUILESS_MAIN(ServiceCatalogTest)
#include "tst_servicecatalog.moc"
