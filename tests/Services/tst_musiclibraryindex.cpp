#include "Services/MusicLibraryIndex.h"
#include "TestSupport/InMemoryMusicLibrary.h"

#include <QtTest>

using namespace mivo;
using mivo::test::InMemoryMusicLibrary;

class TestMusicLibraryIndex : public QObject {
    Q_OBJECT
private slots:
    void lookUpByPersistentID_data();
    void lookUpByPersistentID();
    void laterItemWithSameIdWins();
    void failedOpenIsLoggedOnceAndNotRetried();
    void systemLibraryIsUnavailableOnThisSystem();
};

void TestMusicLibraryIndex::lookUpByPersistentID_data()
{
    QTest::addColumn<QList<quint64>>("ids");
    QTest::addColumn<QString>("persistentID");
    QTest::addColumn<std::optional<quint64>>("found");

    using Found = std::optional<quint64>;
    QTest::newRow("hexadecimal letters") << QList<quint64> { 0xAB } << "00AB" << Found(0xAB);
    QTest::newRow("lower case") << QList<quint64> { 0xAB } << "ab" << Found(0xAB);
    QTest::newRow("digits are tried as hexadecimal first")
        << QList<quint64> { 171, 0x171 } << "171" << Found(0x171);
    QTest::newRow("digits fall back to decimal") << QList<quint64> { 171 } << "171" << Found(171);
    QTest::newRow("leading plus") << QList<quint64> { 0x1F } << "+1F" << Found(0x1F);
    QTest::newRow("largest id") << QList<quint64> { 0xFFFFFFFFFFFFFFFF } << "FFFFFFFFFFFFFFFF"
                                << Found(0xFFFFFFFFFFFFFFFF);
    QTest::newRow("largest decimal id") << QList<quint64> { 18446744073709551615ULL }
                                        << "18446744073709551615" << Found(18446744073709551615ULL);
    QTest::newRow("overflow") << QList<quint64> { 0xFFFFFFFFFFFFFFFF } << "1FFFFFFFFFFFFFFFF" << Found();
    QTest::newRow("empty") << QList<quint64> { 0 } << "" << Found();
    QTest::newRow("only a plus") << QList<quint64> { 0 } << "+" << Found();
    QTest::newRow("minus") << QList<quint64> { 1 } << "-1" << Found();
    QTest::newRow("0x prefix") << QList<quint64> { 0x1F } << "0x1F" << Found();
    QTest::newRow("surrounding space") << QList<quint64> { 0x1F } << " 1F" << Found();
    QTest::newRow("not in the library") << QList<quint64> { 1 } << "2" << Found();
}

void TestMusicLibraryIndex::lookUpByPersistentID()
{
    QFETCH(QList<quint64>, ids);
    QFETCH(QString, persistentID);
    QFETCH(std::optional<quint64>, found);

    InMemoryMusicLibrary library;
    for (const quint64 id : ids)
        library.add(id, InMemoryMusicLibrary::png(Qt::red));
    MusicLibraryIndex index(library.opener());
    index.ensureIndex();
    const auto item = index.mediaItem(persistentID);
    QCOMPARE(item ? std::optional<quint64>(item->persistentID()) : std::nullopt, found);
}

void TestMusicLibraryIndex::laterItemWithSameIdWins()
{
    InMemoryMusicLibrary library;
    library.add(5, QByteArray("first"));
    library.add(5, QByteArray("second"));
    MusicLibraryIndex index(library.opener());
    index.ensureIndex();
    QCOMPARE(index.mediaItem("5")->artworkImageData(), QByteArray("second"));
}

void TestMusicLibraryIndex::failedOpenIsLoggedOnceAndNotRetried()
{
    int calls = 0;
    MusicLibraryIndex index([&calls]() -> std::unique_ptr<MusicLibrary> {
        ++calls;
        throw MusicLibraryError("library locked");
    });
    QVERIFY(index.isAvailable());

    QTest::ignoreMessage(QtWarningMsg, "MusicLibrary unavailable: library locked");
    QTest::failOnWarning(QRegularExpression("unavailable"));
    index.ensureIndex();
    QCOMPARE(index.ensureLibrary(), nullptr);
    index.ensureIndex();
    QCOMPARE(index.mediaItem("1"), nullptr);
    QCOMPARE(calls, 1);
    QVERIFY(!index.isAvailable());
}

void TestMusicLibraryIndex::systemLibraryIsUnavailableOnThisSystem()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MusicLibrary unavailable: .+"));
    MusicLibraryIndex index(openSystemMusicLibrary);
    QCOMPARE(index.ensureLibrary(), nullptr);
    QVERIFY(!index.isAvailable());
}

QTEST_GUILESS_MAIN(TestMusicLibraryIndex)
#include "tst_musiclibraryindex.moc"
