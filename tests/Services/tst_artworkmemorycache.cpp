#include "Services/ArtworkMemoryCache.h"

#include <QtTest>

using namespace mivo;

namespace {
// One step of a scenario: insert an image of the given size, or look a key up
// (width 0) so that it counts as recently used.
struct Step {
    QString key;
    int width = 0;
    int height = 0;
};

QImage filled(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return image;
}
} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestArtworkMemoryCache : public QObject {
    Q_OBJECT
private slots:
    void boundedByDecodedBytes_data();
    void boundedByDecodedBytes();
};

void TestArtworkMemoryCache::boundedByDecodedBytes_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("dropped");

    // A 16 × 16 image costs 16 × 16 × 4 = 1 KiB.
    QTest::newRow("all fit") << qint64(3 * 1024)
                             << QList<Step> { { "a", 16, 16 }, { "b", 16, 16 }, { "c", 16, 16 } }
                             << QStringList { "a", "b", "c" } << QStringList {};
    QTest::newRow("oldest goes first")
        << qint64(3 * 1024)
        << QList<Step> { { "a", 16, 16 }, { "b", 16, 16 }, { "c", 16, 16 }, { "d", 16, 16 } }
        << QStringList { "b", "c", "d" } << QStringList { "a" };
    QTest::newRow("a lookup keeps an entry")
        << qint64(3 * 1024)
        << QList<Step> { { "a", 16, 16 }, { "b", 16, 16 }, { "c", 16, 16 }, { "a" }, { "d", 16, 16 } }
        << QStringList { "a", "c", "d" } << QStringList { "b" };
    QTest::newRow("cost is width times height times four")
        << qint64(3 * 1024) << QList<Step> { { "a", 16, 16 }, { "b", 16, 16 }, { "wide", 32, 16 } }
        << QStringList { "b", "wide" } << QStringList { "a" };
    QTest::newRow("an image larger than the limit is not kept")
        << qint64(3 * 1024) << QList<Step> { { "a", 16, 16 }, { "huge", 64, 64 } } << QStringList { "a" }
        << QStringList { "huge" };
    QTest::newRow("replacing a key frees its old cost")
        << qint64(2 * 1024) << QList<Step> { { "a", 16, 16 }, { "b", 16, 16 }, { "b", 16, 16 } }
        << QStringList { "a", "b" } << QStringList {};
}

void TestArtworkMemoryCache::boundedByDecodedBytes()
{
    QFETCH(qint64, limit);
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, dropped);

    ArtworkMemoryCache cache(limit);
    for (const Step& step : steps) {
        if (step.width == 0)
            QVERIFY(!cache.image(step.key).isNull());
        else
            cache.insert(step.key, filled(step.width, step.height));
    }
    for (const QString& key : kept)
        QVERIFY2(!cache.image(key).isNull(), qPrintable(key));
    for (const QString& key : dropped)
        QVERIFY2(cache.image(key).isNull(), qPrintable(key));
    QVERIFY(cache.totalCost() <= limit);
}

QTEST_GUILESS_MAIN(TestArtworkMemoryCache)
#include "tst_artworkmemorycache.moc"
