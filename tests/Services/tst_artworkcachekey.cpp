#include "Services/ArtworkCacheKey.h"

#include <QtTest>
#include <limits>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::ArtworkRef)
Q_DECLARE_METATYPE(std::optional<QString>)

class TestArtworkCacheKey : public QObject {
    Q_OBJECT
private slots:
    void keyOfReferenceAndSize_data();
    void keyOfReferenceAndSize();
    void fileName_data();
    void fileName();
    void fileNameStaysWithinLimit_data();
    void fileNameStaysWithinLimit();
};

void TestArtworkCacheKey::keyOfReferenceAndSize_data()
{
    QTest::addColumn<ArtworkRef>("ref");
    QTest::addColumn<double>("size");
    QTest::addColumn<std::optional<QString>>("key");

    const auto url = ArtworkRef::url(QUrl(QStringLiteral("https://img.example.org/a.jpg")));
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    using Key = std::optional<QString>;

    QTest::newRow("url at 56") << url << 56.0 << Key(QStringLiteral("u:https://img.example.org/a.jpg@56"));
    QTest::newRow("url is written encoded")
        << ArtworkRef::url(QUrl(QStringLiteral("https://x.example/café.png"))) << 56.0
        << Key(QStringLiteral("u:https://x.example/caf%C3%A9.png@56"));
    QTest::newRow("size truncated toward zero")
        << url << 30.9 << Key(QStringLiteral("u:https://img.example.org/a.jpg@30"));
    QTest::newRow("size below one point") << ArtworkRef::none() << 0.5 << Key(QStringLiteral("n@0"));
    QTest::newRow("largest size") << ArtworkRef::none() << 4096.0 << Key(QStringLiteral("n@4096"));
    QTest::newRow("persistent id") << ArtworkRef::appleMusic(QStringLiteral("00AB12")) << 30.0
                                   << Key(QStringLiteral("a:00AB12@30"));
    QTest::newRow("mosaic keeps the first four ids") << ArtworkRef::mosaic({ "A1", "B2", "C3", "D4", "E5" })
                                                     << 30.0 << Key(QStringLiteral("m:A1,B2,C3,D4@30"));
    QTest::newRow("mosaic of two") << ArtworkRef::mosaic({ "A1", "B2" }) << 56.0
                                   << Key(QStringLiteral("m:A1,B2@56"));
    QTest::newRow("empty mosaic") << ArtworkRef::mosaic({}) << 30.0 << Key(QStringLiteral("m:@30"));
    QTest::newRow("none") << ArtworkRef::none() << 30.0 << Key(QStringLiteral("n@30"));

    QTest::newRow("NaN") << url << nan << Key();
    QTest::newRow("infinity") << url << inf << Key();
    QTest::newRow("minus infinity") << url << -inf << Key();
    QTest::newRow("zero") << url << 0.0 << Key();
    QTest::newRow("negative") << url << -30.0 << Key();
    QTest::newRow("past the integer range") << url << 1e12 << Key();
    QTest::newRow("just past the largest size") << url << 4096.5 << Key();
}

void TestArtworkCacheKey::keyOfReferenceAndSize()
{
    QFETCH(ArtworkRef, ref);
    QFETCH(double, size);
    QFETCH(std::optional<QString>, key);
    QCOMPARE(ArtworkCacheKey::forRef(ref, size), key);
}

void TestArtworkCacheKey::fileName_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");

    QTest::newRow("url with padding") << "u:https://img.example.org/a.jpg@56"
                                      << "dTpodHRwczovL2ltZy5leGFtcGxlLm9yZy9hLmpwZ0A1Ng==.img";
    QTest::newRow("plus becomes minus") << "a:>>>@30"
                                        << "YTo-Pj5AMzA=.img";
    QTest::newRow("slash becomes underscore") << "a:?\?>@8"
                                              << "YTo_Pz5AOA==.img";
    QTest::newRow("mosaic") << "m:A1,B2,C3,D4@30"
                            << "bTpBMSxCMixDMyxENEAzMA==.img";
    QTest::newRow("none") << "n@30"
                          << "bkAzMA==.img";
    QTest::newRow("UTF-8 bytes") << "a:é@30"
                                 << "YTrDqUAzMA==.img";
    QTest::newRow("too long for a file name: hashed")
        << QStringLiteral("a:") + QString(182, u'x') + QStringLiteral("@30")
        << "h066c90a3e826ce216319be536e7a3572d1969ce9d8ad742d8f95281aab209918.img";
}

void TestArtworkCacheKey::fileName()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    QCOMPARE(ArtworkCacheKey::fileName(key), name);
}

void TestArtworkCacheKey::fileNameStaysWithinLimit_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("hashed");

    const QString longUrl
        = QStringLiteral("u:https://img.example.org/") + QString(4000, u'p') + QStringLiteral("@56");
    QTest::newRow("186 bytes: the longest plain name")
        << QStringLiteral("a:") + QString(181, u'x') + "@30" << false;
    QTest::newRow("187 bytes") << QStringLiteral("a:") + QString(182, u'x') + "@30" << true;
    QTest::newRow("counted in bytes, not characters")
        << QStringLiteral("a:") + QString(91, u'é') + "@30" << true;
    QTest::newRow("very long URL") << longUrl << true;
}

void TestArtworkCacheKey::fileNameStaysWithinLimit()
{
    QFETCH(QString, key);
    QFETCH(bool, hashed);

    const QString name = ArtworkCacheKey::fileName(key);
    QVERIFY(name.toUtf8().size() <= 255);
    QVERIFY(name.endsWith(QStringLiteral(".img")));
    if (!hashed) {
        QString base64 = name.chopped(4);
        base64.replace(u'_', u'/').replace(u'-', u'+');
        QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(base64.toLatin1())), key);
    } else {
        QCOMPARE(name.size(), 69);
        // A neighbouring key gets its own file.
        QVERIFY(ArtworkCacheKey::fileName(key + u'x') != name);
    }
}

QTEST_GUILESS_MAIN(TestArtworkCacheKey)
#include "tst_artworkcachekey.moc"
