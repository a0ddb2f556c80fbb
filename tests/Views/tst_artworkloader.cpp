#include "TestSupport/ManualClock.h"
#include "Views/ArtworkLoader.h"
#include "Views/ArtworkView.h"

#include <QCoroSignal>
#include <QSignalSpy>
#include <QtTest>

using namespace mivo;

namespace {

QString urlOf(const ArtworkRef& ref)
{
    const auto* url = std::get_if<ArtworkRef::Url>(&ref.value);
    return url ? url->url.toString() : QString();
}

// Loads end when the test emits finished() for their address.
class Loads : public QObject {
    Q_OBJECT
signals:
    void finished(QString url, QImage image);
};

QImage image(QColor color)
{
    QImage result(8, 4, QImage::Format_ARGB32);
    result.fill(color);
    return result;
}

ArtworkRef url(const char* text)
{
    return ArtworkRef::url(QUrl(QString::fromUtf8(text)));
}

struct Fixture {
    QMap<QString, QImage> memory; // the provider's memory cache, by address
    QStringList asked;
    Loads loads;
    test::ManualClock clock;
    ArtworkLoader loader { ArtworkLoader::Source {
                               [this](const ArtworkRef& ref, double) { return memory.value(urlOf(ref)); },
                               [this](ArtworkRef ref, double) { return load(urlOf(ref)); } },
        clock };

    QCoro::Task<QImage> load(QString url)
    {
        asked.append(url);
        for (;;) {
            const auto [done, result] = co_await qCoro(&loads, &Loads::finished);
            if (done == url)
                co_return result;
        }
    }
};

} // namespace

class TestArtworkLoader : public QObject {
    Q_OBJECT

private slots:
    void oneLoadPerKeyAndFailuresAreRemembered()
    {
        Fixture f;
        QSignalSpy ready(&f.loader, &ArtworkLoader::ready);
        QVERIFY(f.loader.image(url("https://a/1"), 22).isNull());
        QVERIFY(f.loader.image(url("https://a/1"), 22).isNull()); // a second row, same key
        QVERIFY(f.loader.image(url("https://a/1"), 30).isNull()); // another size is another key
        QCOMPARE(f.asked, (QStringList { "https://a/1", "https://a/1" }));

        emit f.loads.finished("https://a/1", image(Qt::red));
        QTRY_COMPARE(ready.size(), 2);
        QCOMPARE(f.loader.image(url("https://a/1"), 22).pixelColor(0, 0), QColor(Qt::red));

        QVERIFY(f.loader.image(url("https://a/2"), 22).isNull());
        emit f.loads.finished("https://a/2", QImage());
        QTRY_VERIFY(f.loader.hasFailed(*ArtworkLoader::key(url("https://a/2"), 22)));
        QVERIFY(f.loader.image(url("https://a/2"), 22).isNull());
        QVERIFY(f.loader.image(ArtworkRef::none(), 22).isNull());
        QCOMPARE(f.asked.size(), 3); // neither the failure nor `none` is asked again
        QCOMPARE(ready.size(), 2);
    }

    void aFailureIsTriedAgainAfterItsTime()
    {
        using std::chrono::seconds;
        Fixture f;
        QSignalSpy ready(&f.loader, &ArtworkLoader::ready);
        const ArtworkRef art = url("https://a/offline");
        const QString key = *ArtworkLoader::key(art, 22);
        f.loader.image(art, 22);
        emit f.loads.finished("https://a/offline", QImage()); // no network
        QTRY_VERIFY(f.loader.hasFailed(key));

        // Rows painted within the minute ask nothing; the first one after it does.
        f.clock.advance(ArtworkLoader::kRetryAfter - seconds(1));
        QVERIFY(f.loader.image(art, 22).isNull());
        QVERIFY(f.loader.image(ArtworkRef::none(), 22).isNull());
        QCOMPARE(f.asked.size(), 1);
        f.clock.advance(seconds(1));
        QVERIFY(!f.loader.hasFailed(key));
        QVERIFY(f.loader.image(art, 22).isNull());
        QVERIFY(f.loader.image(art, 22).isNull()); // one load however many rows ask
        QVERIFY(f.loader.image(ArtworkRef::none(), 22).isNull());
        QCOMPARE(f.asked, (QStringList { "https://a/offline", "https://a/offline" }));

        emit f.loads.finished("https://a/offline", image(Qt::red)); // back online
        QTRY_COMPARE(ready.size(), 1);
        QCOMPARE(ready.first().first().toString(), key);
        QCOMPARE(f.loader.image(art, 22).pixelColor(0, 0), QColor(Qt::red));
    }

    void aViewStillShowingItsPlaceholderAsksAgainWhenPainted()
    {
        Fixture f;
        ArtworkView view(url("https://a/offline"), 30, 6);
        view.setLoader(&f.loader);
        emit f.loads.finished("https://a/offline", QImage());
        QTRY_VERIFY(f.loader.hasFailed(*ArtworkLoader::key(url("https://a/offline"), 30)));
        view.grab();
        QCOMPARE(f.asked.size(), 1);

        f.clock.advance(ArtworkLoader::kRetryAfter);
        view.grab();
        QCOMPARE(f.asked.size(), 2);
        emit f.loads.finished("https://a/offline", image(Qt::green));
        QTRY_COMPARE(view.image().pixelColor(0, 0), QColor(Qt::green));
    }

    void viewShowsMemoryAtOnceAndIgnoresAnOldKeysResult()
    {
        Fixture f;
        f.memory.insert("https://a/cached", image(Qt::blue));
        ArtworkView view(url("https://a/slow"), 30, 6);
        view.setLoader(&f.loader);
        QVERIFY(view.image().isNull()); // the placeholder

        view.setRef(url("https://a/cached"));
        QCOMPARE(view.image().pixelColor(0, 0), QColor(Qt::blue));

        emit f.loads.finished("https://a/slow", image(Qt::red)); // late, for the old key
        QTRY_VERIFY(!f.loader.isLoading(*ArtworkLoader::key(url("https://a/slow"), 30)));
        QCOMPARE(view.image().pixelColor(0, 0), QColor(Qt::blue));

        view.setRef(url("https://a/new"));
        QVERIFY(view.image().isNull()); // not the old image while the new one loads
        emit f.loads.finished("https://a/new", image(Qt::green));
        QTRY_COMPARE(view.image().pixelColor(0, 0), QColor(Qt::green));
    }
};

QTEST_MAIN(TestArtworkLoader)
#include "tst_artworkloader.moc"
