#include "BuildConfig.h"
#include "Services/ArtworkCacheKey.h"
#include "Services/ArtworkProvider.h"
#include "Base/Log.h"
#include "TestSupport/InMemoryMusicLibrary.h"
#include "TestSupport/LoopbackHttpServer.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <qcoro/qcorotask.h>

using namespace mivo;
using namespace std::chrono_literals;
using mivo::test::InMemoryMusicLibrary;
using mivo::test::LoopbackHttpServer;

Q_DECLARE_METATYPE(mivo::ArtworkRef)

namespace {
const QDateTime kStart = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
constexpr double kSize = 30; // points: images of at most 60 pixels

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray picture(int width, int height, QColor colour, const char* format = "PNG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return encoded(image, format);
}

// A PNG that does not compress: about 160 KB.
QByteArray noisyPicture()
{
    QImage image(200, 200, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate());
    }
    return encoded(image, "PNG");
}

LoopbackHttpServer::Reply ok(QByteArray body, QByteArray type = "image/png")
{
    return { 200, std::move(type), std::move(body), {}, true, false };
}

// A provider on a temporary folder with a clock, a music library and limits
// the test controls, and a local web server to load from.
struct Fixture {
    QTemporaryDir dir;
    QDateTime now = kStart;
    InMemoryMusicLibrary library;
    LoopbackHttpServer server;
    ArtworkProviderOptions options;

    Fixture()
    {
        options.diskDir = dir.filePath(QStringLiteral("artwork"));
        options.clock = [this] { return now; };
        options.requestTimeout = 1000ms;
        options.maxResponseBytes = 64 * 1024;
        options.openLibrary = library.opener();
        QVERIFY(server.listen());
    }

    std::unique_ptr<ArtworkProvider> provider() { return std::make_unique<ArtworkProvider>(options); }
    QString filePath(const ArtworkRef& ref, double size = kSize) const
    {
        return QDir(options.diskDir).filePath(ArtworkCacheKey::fileName(*ArtworkCacheKey::forRef(ref, size)));
    }
    std::optional<QByteArray> fileBytes(const ArtworkRef& ref, double size = kSize) const
    {
        QFile file(filePath(ref, size));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }
    QStringList files() const { return QDir(options.diskDir).entryList(QDir::Files); }
};

// Shows the artwork category's debug messages while it lives.
class ArtworkDebugLog {
public:
    ArtworkDebugLog() { s_previous = QLoggingCategory::installFilter(&filter); }
    ~ArtworkDebugLog() { QLoggingCategory::installFilter(s_previous); }

private:
    static void filter(QLoggingCategory* category)
    {
        if (s_previous)
            s_previous(category);
        if (qstrcmp(category->categoryName(), lcArtwork().categoryName()) == 0)
            category->setEnabled(QtDebugMsg, true);
    }
    static inline QLoggingCategory::CategoryFilter s_previous = nullptr;
};

QImage load(ArtworkProvider& provider, const ArtworkRef& ref, double size = kSize)
{
    return QCoro::waitFor(provider.image(ref, size));
}
} // namespace

class TestArtworkProvider : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loadsFromTheWeb_data();
    void loadsFromTheWeb();
    void fetchesOnlyWebAddresses_data();
    void fetchesOnlyWebAddresses();
    void nothingToLoad_data();
    void nothingToLoad();
    void secondLookUpComesFromMemory();
    void diskCacheServesTheNextLaunch();
    void undecodableDiskFileIsLoadedAgain();
    void memoryIsBoundedByDecodedBytes();
    void diskIsPrunedAtMostOncePerInterval_data();
    void diskIsPrunedAtMostOncePerInterval();
    void artworkFromTheMusicLibrary_data();
    void artworkFromTheMusicLibrary();
    void goesOnWithoutTheMusicLibrary();
    void sharedProviderUsesTheUserCacheFolder();
    void destroyingTheProviderEndsARunningDownload();
    void sharedProviderEndsItsDownloadsBeforeTheApplication();
};

void TestArtworkProvider::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestArtworkProvider::loadsFromTheWeb_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<LoopbackHttpServer::Reply>("reply");
    QTest::addColumn<QSize>("size"); // invalid: no image, nothing written

    const QByteArray cover = picture(400, 200, Qt::red);
    const QByteArray huge = noisyPicture();
    QVERIFY(huge.size() > 128 * 1024);

    QTest::newRow("picture") << "/cover.png" << ok(cover) << QSize(60, 30);
    QTest::newRow("redirect to a picture")
        << "/moved"
        << LoopbackHttpServer::Reply { 302, "text/html", {}, { { "Location", "/target.png" } }, true, false }
        << QSize(60, 30);
    QTest::newRow("404 with an HTML page")
        << "/missing"
        << LoopbackHttpServer::Reply { 404, "text/html", "<html>Not Found</html>", {}, true, false }
        << QSize();
    QTest::newRow("404 with a picture")
        << "/gone.png" << LoopbackHttpServer::Reply { 404, "image/png", cover, {}, true, false } << QSize();
    QTest::newRow("500 with a picture")
        << "/broken.png" << LoopbackHttpServer::Reply { 500, "image/png", cover, {}, true, false } << QSize();
    QTest::newRow("not a picture") << "/page" << ok("<html><body>hello</body></html>", "text/html")
                                   << QSize();
    QTest::newRow("oversized, announced") << "/huge.png" << ok(huge) << QSize();
    QTest::newRow("oversized, unannounced")
        << "/stream.png" << LoopbackHttpServer::Reply { 200, "image/png", huge, {}, false, false } << QSize();
    QTest::newRow("never answers") << "/slow.png" << LoopbackHttpServer::Reply { 200, {}, {}, {}, true, true }
                                   << QSize();
}

void TestArtworkProvider::loadsFromTheWeb()
{
    QFETCH(QString, path);
    QFETCH(LoopbackHttpServer::Reply, reply);
    QFETCH(QSize, size);

    Fixture fixture;
    fixture.server.route(path, reply);
    fixture.server.route("/target.png", ok(picture(400, 200, Qt::red)));
    const auto provider = fixture.provider();
    const ArtworkRef ref = ArtworkRef::url(fixture.server.url(path));

    const QImage image = load(*provider, ref);
    QCOMPARE(image.isNull() ? QSize() : image.size(), size);
    QCOMPARE(fixture.server.requestCount(path), 1);
    if (size.isValid()) {
        const QByteArray served = path == "/moved" ? picture(400, 200, Qt::red) : reply.body;
        QCOMPARE(fixture.fileBytes(ref), served);
    } else {
        QCOMPARE(fixture.files(), QStringList());
        QVERIFY(provider->cachedImage(ref, kSize).isNull());
    }
}

void TestArtworkProvider::fetchesOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("redirectTo"); // empty: the address is asked for directly
    QTest::addColumn<QString>("reason");

    QTest::newRow("local file") << "file://%1" << QString() << "unsupported URL scheme \"file\"";
    QTest::newRow("inline data") << "data:image/png;base64,%2" << QString()
                                 << "unsupported URL scheme \"data\"";
    QTest::newRow("resource") << "qrc:/artwork/cover.png" << QString() << "unsupported URL scheme \"qrc\"";
    QTest::newRow("web address without a host") << "http:///cover.png" << QString() << "URL without a host";
    QTest::newRow("host that never resolves") << "https://artwork.mivo.INVALID/cover.jpg" << QString()
                                              << "host \"artwork.mivo.invalid\" never resolves";
    // The network layer itself refuses these; the reason is its own.
    QTest::newRow("redirect to a local file") << QString() << "file://%1" << QString();
    QTest::newRow("redirect to inline data") << QString() << "data:image/png;base64,%2" << QString();
}

void TestArtworkProvider::fetchesOnlyWebAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, redirectTo);
    QFETCH(QString, reason);

    const ArtworkDebugLog debugLog;
    Fixture fixture;
    const QByteArray cover = picture(40, 40, Qt::red);
    const QString local = fixture.dir.filePath("cover.png");
    QFile file(local);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(cover);
    file.close();
    const auto fill = [&](const QString& pattern) {
        return QString(pattern).replace("%1", local).replace("%2", QString::fromLatin1(cover.toBase64()));
    };

    QUrl url;
    if (redirectTo.isEmpty()) {
        url = QUrl(fill(address));
    } else {
        fixture.server.route("/elsewhere",
            { 302, "text/html", {}, { { "Location", fill(redirectTo).toUtf8() } }, true, false });
        url = fixture.server.url("/elsewhere");
    }
    const auto provider = fixture.provider();
    if (!reason.isEmpty())
        QTest::ignoreMessage(
            QtDebugMsg, QRegularExpression("^url art failed: " + QRegularExpression::escape(reason)));
    QVERIFY(load(*provider, ArtworkRef::url(url)).isNull());
    QCOMPARE(fixture.files(), QStringList());
}

void TestArtworkProvider::nothingToLoad_data()
{
    QTest::addColumn<bool>("useNone");
    QTest::addColumn<double>("size");

    QTest::newRow("none") << true << kSize;
    QTest::newRow("NaN size") << false << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinite size") << false << std::numeric_limits<double>::infinity();
    QTest::newRow("zero size") << false << 0.0;
    QTest::newRow("negative size") << false << -30.0;
    QTest::newRow("size past the integer range") << false << 1e18;
    QTest::newRow("size past the decode limit") << false << 100.0; // 200 × 200 × 4 > 64 KiB
}

void TestArtworkProvider::nothingToLoad()
{
    QFETCH(bool, useNone);
    QFETCH(double, size);

    Fixture fixture;
    fixture.options.maxDecodeBytes = 64 * 1024;
    fixture.server.route("/cover.png", ok(picture(400, 400, Qt::red)));
    const auto provider = fixture.provider();
    const ArtworkRef ref = useNone ? ArtworkRef::none() : ArtworkRef::url(fixture.server.url("/cover.png"));

    QVERIFY(load(*provider, ref, size).isNull());
    QVERIFY(provider->cachedImage(ref, size).isNull());
    QCOMPARE(fixture.server.totalRequests(), 0);
    QCOMPARE(fixture.files(), QStringList());
}

void TestArtworkProvider::secondLookUpComesFromMemory()
{
    Fixture fixture;
    fixture.server.route("/cover.png", ok(picture(400, 400, Qt::red)));
    const auto provider = fixture.provider();
    const ArtworkRef ref = ArtworkRef::url(fixture.server.url("/cover.png"));

    QVERIFY(provider->cachedImage(ref, kSize).isNull());
    QCOMPARE(load(*provider, ref).size(), QSize(60, 60));
    QCOMPARE(provider->cachedImage(ref, kSize).size(), QSize(60, 60));
    QCOMPARE(provider->cachedImage(ref, kSize + 0.5).size(), QSize(60, 60));
    QVERIFY(provider->cachedImage(ref, 56).isNull());

    auto again = provider->image(ref, kSize);
    QVERIFY(again.isReady());
    QCOMPARE(QCoro::waitFor(again).size(), QSize(60, 60));
    QCOMPARE(fixture.server.requestCount("/cover.png"), 1);
}

void TestArtworkProvider::diskCacheServesTheNextLaunch()
{
    Fixture fixture;
    fixture.server.route("/cover.png", ok(picture(400, 400, Qt::red)));
    const ArtworkRef ref = ArtworkRef::url(fixture.server.url("/cover.png"));
    QVERIFY(!load(*fixture.provider(), ref).isNull());

    const auto next = fixture.provider();
    auto task = next->image(ref, kSize);
    QVERIFY2(!task.isReady(), "the disk is read off the main thread");
    QCOMPARE(QCoro::waitFor(task).size(), QSize(60, 60));
    QCOMPARE(fixture.server.requestCount("/cover.png"), 1);
    QVERIFY(!next->cachedImage(ref, kSize).isNull());
}

void TestArtworkProvider::undecodableDiskFileIsLoadedAgain()
{
    Fixture fixture;
    const QByteArray cover = picture(400, 400, Qt::red);
    fixture.server.route("/cover.png", ok(cover));
    const ArtworkRef ref = ArtworkRef::url(fixture.server.url("/cover.png"));
    QDir().mkpath(fixture.options.diskDir);
    QFile file(fixture.filePath(ref));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("garbage");
    file.close();

    QCOMPARE(load(*fixture.provider(), ref).size(), QSize(60, 60));
    QCOMPARE(fixture.server.requestCount("/cover.png"), 1);
    QCOMPARE(fixture.fileBytes(ref), cover);
}

void TestArtworkProvider::memoryIsBoundedByDecodedBytes()
{
    Fixture fixture;
    fixture.options.memoryCostLimit = 2 * 60 * 60 * 4; // two images of 60 × 60
    QList<ArtworkRef> refs;
    for (const QString name : { "a", "b", "c" }) {
        const QString path = "/" + name + ".png";
        fixture.server.route(path, ok(picture(100, 100, Qt::blue)));
        refs.append(ArtworkRef::url(fixture.server.url(path)));
    }
    const auto provider = fixture.provider();
    for (const ArtworkRef& ref : refs)
        QVERIFY(!load(*provider, ref).isNull());

    QVERIFY(provider->cachedImage(refs[0], kSize).isNull());
    QVERIFY(!provider->cachedImage(refs[1], kSize).isNull());
    QVERIFY(!provider->cachedImage(refs[2], kSize).isNull());
}

void TestArtworkProvider::diskIsPrunedAtMostOncePerInterval_data()
{
    QTest::addColumn<int>("secondsBetweenLoads");
    QTest::addColumn<QList<int>>("kept"); // indexes of the loads whose files remain

    QTest::newRow("loads within a minute: no prune after the first") << 20 << QList<int> { 0, 1, 2, 3 };
    QTest::newRow("loads a minute apart: oldest pruned") << 61 << QList<int> { 2, 3 };
}

void TestArtworkProvider::diskIsPrunedAtMostOncePerInterval()
{
    QFETCH(int, secondsBetweenLoads);
    QFETCH(QList<int>, kept);

    Fixture fixture;
    const QList<QColor> colours { Qt::red, Qt::green, Qt::blue, Qt::yellow };
    // Uncompressed pictures: every file has the same size.
    const qint64 fileSize = picture(16, 16, Qt::red, "BMP").size();
    fixture.options.diskSizeLimit = fileSize * 5 / 2;
    const auto provider = fixture.provider();

    QList<ArtworkRef> refs;
    for (int i = 0; i < colours.size(); ++i) {
        const QString path = QStringLiteral("/%1.bmp").arg(i);
        fixture.server.route(path, ok(picture(16, 16, colours[i], "BMP"), "image/bmp"));
        refs.append(ArtworkRef::url(fixture.server.url(path)));
        fixture.now = kStart.addSecs(qint64(i) * secondsBetweenLoads);
        QVERIFY(!load(*provider, refs[i]).isNull());
    }
    for (int i = 0; i < refs.size(); ++i)
        QCOMPARE(QFileInfo::exists(fixture.filePath(refs[i])), kept.contains(i));
}

void TestArtworkProvider::artworkFromTheMusicLibrary_data()
{
    QTest::addColumn<ArtworkRef>("ref");
    QTest::addColumn<QList<QColor>>("tiles"); // top left, top right, bottom left, bottom right; empty: none

    const QList<QColor> none;
    QTest::newRow("one item") << ArtworkRef::appleMusic("C3")
                              << QList<QColor> { Qt::blue, Qt::blue, Qt::blue, Qt::blue };
    QTest::newRow("item without artwork") << ArtworkRef::appleMusic("B2") << none;
    QTest::newRow("unknown item") << ArtworkRef::appleMusic("FF") << none;
    QTest::newRow("mosaic of four") << ArtworkRef::mosaic({ "A1", "C3", "D4", "E5" })
                                    << QList<QColor> { Qt::red, Qt::blue, Qt::green, Qt::yellow };
    QTest::newRow("a tile without artwork: the last fills in") << ArtworkRef::mosaic(
        { "A1", "B2", "C3" }) << QList<QColor> { Qt::red, Qt::blue, Qt::blue, Qt::blue };
    QTest::newRow("a fifth track never stands in") << ArtworkRef::mosaic(
        { "B2", "C3", "D4", "E5", "A1" }) << QList<QColor> { Qt::blue, Qt::green, Qt::yellow, Qt::yellow };
    QTest::newRow("mosaic without any artwork") << ArtworkRef::mosaic({ "B2", "FF" }) << none;
    QTest::newRow("empty mosaic") << ArtworkRef::mosaic({}) << none;
}

void TestArtworkProvider::artworkFromTheMusicLibrary()
{
    QFETCH(ArtworkRef, ref);
    QFETCH(QList<QColor>, tiles);

    Fixture fixture;
    fixture.library.add(0xA1, InMemoryMusicLibrary::png(Qt::red));
    fixture.library.add(0xB2, std::nullopt);
    fixture.library.add(0xC3, InMemoryMusicLibrary::png(Qt::blue));
    fixture.library.add(0xD4, InMemoryMusicLibrary::png(Qt::green));
    fixture.library.add(0xE5, InMemoryMusicLibrary::png(Qt::yellow));
    fixture.options.openLibrary = fixture.library.opener();
    const auto provider = fixture.provider();

    const QImage image = load(*provider, ref);
    if (tiles.isEmpty()) {
        QVERIFY(image.isNull());
        return;
    }
    QCOMPARE(image.size(), QSize(60, 60));
    const QPoint centres[] = { { 15, 15 }, { 45, 15 }, { 15, 45 }, { 45, 45 } };
    for (int tile = 0; tile < 4; ++tile)
        QCOMPARE(image.pixelColor(centres[tile]), tiles[tile]);
    QCOMPARE(provider->cachedImage(ref, kSize), image);
    QVERIFY(provider->iTunesLibraryAvailable());
}

void TestArtworkProvider::goesOnWithoutTheMusicLibrary()
{
    Fixture fixture;
    fixture.options.openLibrary = openSystemMusicLibrary;
    fixture.server.route("/cover.png", ok(picture(100, 100, Qt::red)));
    const auto provider = fixture.provider();
    QVERIFY(provider->iTunesLibraryAvailable());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MusicLibrary unavailable: .+"));
    QTest::failOnWarning(QRegularExpression("unavailable"));
    QVERIFY(load(*provider, ArtworkRef::appleMusic("A1")).isNull());
    QVERIFY(load(*provider, ArtworkRef::mosaic({ "A1", "B2" })).isNull());
    QVERIFY(!provider->iTunesLibraryAvailable());
    QVERIFY(!load(*provider, ArtworkRef::url(fixture.server.url("/cover.png"))).isNull());
}

void TestArtworkProvider::sharedProviderUsesTheUserCacheFolder()
{
    ArtworkProvider& shared = ArtworkProvider::shared();
    QCOMPARE(&ArtworkProvider::shared(), &shared);
    const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/"
        + QString::fromUtf8(build::kAppId) + "/artwork";
    QCOMPARE(QDir::cleanPath(shared.diskDir()), QDir::cleanPath(expected));
    QVERIFY(QFileInfo(shared.diskDir()).isDir());
}

void TestArtworkProvider::destroyingTheProviderEndsARunningDownload()
{
    Fixture fixture;
    fixture.options.requestTimeout = 60000ms;
    fixture.server.route("/slow.png", LoopbackHttpServer::Reply { 200, {}, {}, {}, true, true });
    auto provider = fixture.provider();

    bool finished = false;
    QImage result(1, 1, QImage::Format_ARGB32);
    QCoro::connect(provider->image(ArtworkRef::url(fixture.server.url("/slow.png")), kSize), this,
        [&](const QImage& image) {
            finished = true;
            result = image;
        });
    QTRY_COMPARE(fixture.server.requestCount("/slow.png"), 1);
    provider.reset();
    QTRY_VERIFY_WITH_TIMEOUT(finished, 5000);
    QVERIFY(result.isNull());
}

// Runs last: the shared provider's download is still running when the program
// ends. Its network manager must go before the application takes its event loop
// apart, or the transfer's state is left behind (the sanitizer run reports it).
void TestArtworkProvider::sharedProviderEndsItsDownloadsBeforeTheApplication()
{
    // Outlives the test, so that the transfer is still waiting at the end.
    auto* server = new LoopbackHttpServer(QCoreApplication::instance());
    QVERIFY(server->listen());
    const auto finished = std::make_shared<int>(0);
    constexpr int kDownloads = 6; // as many as run at once to one host
    for (int i = 0; i < kDownloads; ++i) {
        const QString path = QStringLiteral("/never-%1.png").arg(i);
        server->route(path, LoopbackHttpServer::Reply { 200, {}, {}, {}, true, true });
        QCoro::connect(ArtworkProvider::shared().image(ArtworkRef::url(server->url(path)), kSize), this,
            [finished](const QImage&) { ++*finished; });
    }
    for (int i = 0; i < kDownloads; ++i)
        QTRY_COMPARE(server->requestCount(QStringLiteral("/never-%1.png").arg(i)), 1);
    QCOMPARE(*finished, 0);
}

QTEST_GUILESS_MAIN(TestArtworkProvider)
#include "tst_artworkprovider.moc"
