#include "Services/ArtworkDiskCache.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;

namespace {
const QDateTime kStart = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

struct File {
    QString key;
    qint64 size = 0;
    int writtenAt = 0; // seconds after kStart
};

// A disk cache on a temporary folder with a clock the test sets.
struct Fixture {
    QTemporaryDir dir;
    QDateTime now = kStart;
    ArtworkDiskCache cache;

    explicit Fixture(qint64 sizeLimit, qint64 maxFileBytes = 1 << 20)
        : cache(dir.filePath(QStringLiteral("caches/app/artwork")), { sizeLimit, 60s, maxFileBytes },
            [this] { return now; })
    {
    }

    void at(int seconds) { now = kStart.addSecs(seconds); }
    void write(const File& file)
    {
        at(file.writtenAt);
        cache.write(file.key, QByteArray(file.size, 'x'));
    }
    bool has(const QString& key) const { return QFileInfo::exists(cache.path(key)); }
    QStringList present(const QStringList& keys) const
    {
        QStringList found;
        for (const QString& key : keys) {
            if (has(key))
                found.append(key);
        }
        return found;
    }
};
} // namespace

Q_DECLARE_METATYPE(QList<File>)

class TestArtworkDiskCache : public QObject {
    Q_OBJECT
private slots:
    void pruneRemovesLeastRecentlyUsedFirst_data();
    void pruneRemovesLeastRecentlyUsedFirst();
    void prunesAtMostOncePerInterval();
    void readingMarksFileAsUsed();
    void readGivesStoredBytesWithinLimits();
};

void TestArtworkDiskCache::pruneRemovesLeastRecentlyUsedFirst_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QList<File>>("files");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("at the limit nothing goes")
        << qint64(3000) << QList<File> { { "a", 1000, 0 }, { "b", 1000, 10 }, { "c", 1000, 20 } }
        << QStringList { "a", "b", "c" };
    QTest::newRow("oldest go until within the limit")
        << qint64(2500)
        << QList<File> { { "a", 1000, 0 }, { "b", 1000, 10 }, { "c", 1000, 20 }, { "d", 1000, 30 } }
        << QStringList { "c", "d" };
    QTest::newRow("by date, not by name or write order")
        << qint64(2500)
        << QList<File> { { "z", 1000, 30 }, { "a", 1000, 20 }, { "m", 1000, 0 }, { "b", 1000, 10 } }
        << QStringList { "a", "z" };
    QTest::newRow("one small old file frees enough")
        << qint64(4000) << QList<File> { { "old", 500, 0 }, { "big", 3000, 10 }, { "new", 1000, 20 } }
        << QStringList { "big", "new" };
    QTest::newRow("a file larger than the limit goes too")
        << qint64(2500) << QList<File> { { "small", 1000, 0 }, { "huge", 5000, 10 } } << QStringList {};
}

void TestArtworkDiskCache::pruneRemovesLeastRecentlyUsedFirst()
{
    QFETCH(qint64, limit);
    QFETCH(QList<File>, files);
    QFETCH(QStringList, kept);

    Fixture fixture(limit);
    QStringList keys;
    for (const File& file : files) {
        fixture.write(file);
        keys.append(file.key);
    }
    fixture.at(100);
    fixture.cache.pruneIfNeeded();

    QStringList expected = kept;
    QStringList present = fixture.present(keys);
    expected.sort();
    present.sort();
    QCOMPARE(present, expected);
}

void TestArtworkDiskCache::prunesAtMostOncePerInterval()
{
    Fixture fixture(2000);
    fixture.write({ "a", 1000, 0 });
    fixture.write({ "b", 1000, 1 });
    fixture.write({ "c", 1000, 2 });
    fixture.at(10);
    fixture.cache.pruneIfNeeded();
    QCOMPARE(fixture.present({ "a", "b", "c" }), QStringList({ "b", "c" }));

    fixture.write({ "d", 1000, 20 });
    fixture.at(40);
    fixture.cache.pruneIfNeeded();
    fixture.at(70); // exactly one interval after the last prune
    fixture.cache.pruneIfNeeded();
    QCOMPARE(fixture.present({ "b", "c", "d" }), QStringList({ "b", "c", "d" }));

    fixture.at(71);
    fixture.cache.pruneIfNeeded();
    QCOMPARE(fixture.present({ "b", "c", "d" }), QStringList({ "c", "d" }));
}

void TestArtworkDiskCache::readingMarksFileAsUsed()
{
    Fixture fixture(2000);
    fixture.write({ "a", 1000, 0 });
    fixture.write({ "b", 1000, 10 });
    fixture.at(20);
    QVERIFY(fixture.cache.read("a"));
    fixture.write({ "c", 1000, 30 });
    fixture.at(100);
    fixture.cache.pruneIfNeeded();
    QCOMPARE(fixture.present({ "a", "b", "c" }), QStringList({ "a", "c" }));
}

void TestArtworkDiskCache::readGivesStoredBytesWithinLimits()
{
    Fixture fixture(1 << 20, 1000);
    QVERIFY(QFileInfo(fixture.cache.folder()).isDir());
    QCOMPARE(fixture.cache.read("missing"), std::nullopt);

    fixture.cache.write("k", "first");
    fixture.cache.write("k", "second");
    QCOMPARE(fixture.cache.read("k"), QByteArray("second"));
    QCOMPARE(QDir(fixture.cache.folder()).entryList(QDir::Files).size(), 1);

    fixture.cache.write("large", QByteArray(1001, 'x'));
    QCOMPARE(fixture.cache.read("large"), std::nullopt);
}

QTEST_GUILESS_MAIN(TestArtworkDiskCache)
#include "tst_artworkdiskcache.moc"
