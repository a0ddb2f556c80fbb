#include "Transport/WireVocabulary.h"

#include <QtTest>

using namespace mivo;

class TestVocabulary : public QObject {
    Q_OBJECT

private slots:
    void parsingIsExact_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("known");
        QTest::newRow("low-confidence") << "low-confidence" << true;
        QTest::newRow("capitalised") << "Low-confidence" << false;
        QTest::newRow("case name instead of raw") << "lowConfidence" << false;
        QTest::newRow("padded") << " ok" << false;
        QTest::newRow("empty") << "" << false;
    }
    void parsingIsExact()
    {
        QFETCH(QString, text);
        QFETCH(bool, known);
        QCOMPARE(fromRawString<Finish>(text).has_value(), known);
    }

    void hyphenatedRawValues()
    {
        QCOMPARE(rawValue(QualityFloor::mp3_320), std::string_view("mp3-320"));
        QVERIFY(!fromRawValue<QualityFloor>("mp3_320"));
        QCOMPARE(fromRawValue<EngineErrorCode>("spotify_auth_expired"), EngineErrorCode::spotifyAuthExpired);
        QVERIFY(!fromRawValue<Method>("GetConfig"));
    }

    void allCasesKeepDeclaredOrder()
    {
        constexpr auto sources = allCases<SourceId>();
        QCOMPARE(sources.size(), size_t(4));
        QCOMPARE(sources[0], SourceId::soulseek);
        QCOMPARE(sources[3], SourceId::youtube);
        QCOMPARE(allCases<Method>().size(), size_t(18));
        QCOMPARE(allCases<Phase>().back(), Phase::verifying);
    }
};

QTEST_GUILESS_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
