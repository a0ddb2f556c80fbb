#include "Models/QualityProfile.h"

#include <QtTest>

using namespace mivo;
using Quality = SafeConfig::Quality;

Q_DECLARE_METATYPE(std::optional<mivo::QualityProfile>)

class QualityProfileTest : public QObject {
    Q_OBJECT

private slots:
    void readsAQualityRecordAsAProfile_data();
    void readsAQualityRecordAsAProfile();
    void writesAProfileAsAQualityRecordThatReadsBackTheSame_data();
    void writesAProfileAsAQualityRecordThatReadsBackTheSame();
};

void QualityProfileTest::readsAQualityRecordAsAProfile_data()
{
    QTest::addColumn<std::optional<Quality>>("quality");
    QTest::addColumn<std::optional<QualityProfile>>("profile");

    const auto quality = [](QualityFloor floor, bool losslessOnly, bool best, bool upgrade) {
        return std::optional(Quality { floor, losslessOnly, best, upgrade });
    };
    QTest::newRow("no record") << std::optional<Quality>() << std::optional<QualityProfile>();
    QTest::newRow("best quality, upgrades")
        << quality(QualityFloor::any, false, true, true) << std::optional(QualityProfile::best);
    QTest::newRow("best quality, no upgrades")
        << quality(QualityFloor::any, false, true, false) << std::optional(QualityProfile::balanced);
    QTest::newRow("no best quality") << quality(QualityFloor::any, false, false, false)
                                     << std::optional(QualityProfile::fast);
    QTest::newRow("no best quality, upgrades")
        << quality(QualityFloor::any, false, false, true) << std::optional(QualityProfile::fast);
    // The floor and the lossless switch are not part of any profile.
    QTest::newRow("flac floor, lossless only")
        << quality(QualityFloor::flac, true, true, true) << std::optional(QualityProfile::best);
    QTest::newRow("mp3-320 floor") << quality(QualityFloor::mp3_320, false, true, false)
                                   << std::optional(QualityProfile::balanced);
}

void QualityProfileTest::readsAQualityRecordAsAProfile()
{
    QFETCH(std::optional<Quality>, quality);
    QFETCH(std::optional<QualityProfile>, profile);

    QCOMPARE(qualityProfileFrom(quality), profile);
}

void QualityProfileTest::writesAProfileAsAQualityRecordThatReadsBackTheSame_data()
{
    QTest::addColumn<QualityProfile>("profile");
    QTest::addColumn<bool>("bestQuality");
    QTest::addColumn<bool>("upgradeEnabled");

    QTest::newRow("best") << QualityProfile::best << true << true;
    QTest::newRow("balanced") << QualityProfile::balanced << true << false;
    QTest::newRow("fast") << QualityProfile::fast << false << false;
}

void QualityProfileTest::writesAProfileAsAQualityRecordThatReadsBackTheSame()
{
    QFETCH(QualityProfile, profile);
    QFETCH(bool, bestQuality);
    QFETCH(bool, upgradeEnabled);

    const Quality quality = toQuality(profile);
    QCOMPARE(quality, (Quality { QualityFloor::any, false, bestQuality, upgradeEnabled }));
    QCOMPARE(qualityProfileFrom(quality), std::optional(profile));
}

QTEST_GUILESS_MAIN(QualityProfileTest)
#include "tst_qualityprofile.moc"
