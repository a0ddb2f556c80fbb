#include "Services/DesktopOpener.h"
#include "TestSupport/StandInXdgOpen.h"

#include <QFile>
#include <QScopeGuard>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mivo;
using namespace std::chrono_literals;

namespace {

// Opens a named pipe for writing and closes it again, which lets a reader
// waiting for it go on; false while no reader waits.
bool release(const QString& gate)
{
    const int fd = ::open(QFile::encodeName(gate).constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

class TestDesktopOpener : public QObject {
    Q_OBJECT

private slots:
    // How xdg-open ends decides, and it is given the page's address or the file's path.
    void xdgOpenDecides_data()
    {
        QTest::addColumn<QByteArray>("behaviour");
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("opened");

        const QUrl page(QStringLiteral("https://example.invalid/help?topic=sync&x=1"));
        QTest::newRow("a handler took the page") << QByteArray("exit 0") << page << page.toString() << true;
        QTest::newRow("no handler for it") << QByteArray("exit 3") << page << page.toString() << false;
        QTest::newRow("xdg-open was killed")
            << QByteArray("kill -KILL $$") << page << page.toString() << false;
        const QString file = QStringLiteral("/opt/mivo help/Help/index.html");
        QTest::newRow("a file is handed over as its path")
            << QByteArray("exit 0") << QUrl::fromLocalFile(file) << file << true;
    }
    void xdgOpenDecides()
    {
        QFETCH(QByteArray, behaviour);
        QFETCH(QUrl, url);
        QFETCH(QString, argument);
        QFETCH(bool, opened);
        test::StandInXdgOpen xdgOpen(behaviour);

        QCOMPARE(QCoro::waitFor(DesktopOpener::open(url)), opened);
        QCOMPARE(xdgOpen.arguments(), QStringList { argument });
    }

    // A handler xdg-open keeps in the foreground: opened once the bound has
    // passed, and left to run on.
    void aRunStillGoingAtTheBoundCountsAsOpened()
    {
        // Waits at a gate, then notes that it ran to its end.
        test::StandInXdgOpen xdgOpen(
            "here=$(dirname \"$0\")\nread line < \"$here/gate\"\ntouch \"$here/ended\"");
        const QString gate = xdgOpen.filePath(QStringLiteral("gate"));
        const QString ended = xdgOpen.filePath(QStringLiteral("ended"));
        QCOMPARE(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
        // Opened once only: a second writer could find the reader gone and fail.
        bool released = false;
        const auto leftWaiting = qScopeGuard([&] {
            if (!released)
                release(gate);
        });

        QVERIFY(QCoro::waitFor(DesktopOpener::open(QUrl(QStringLiteral("https://example.invalid")), 100ms)));
        QVERIFY(!QFile::exists(ended));
        QCOMPARE(DesktopOpener::stillRunning(), 1);
        QTRY_VERIFY(released || (released = release(gate)));
        QTRY_VERIFY(QFile::exists(ended));
        // Released once it has ended, not before the application quits.
        QTRY_COMPARE(DesktopOpener::stillRunning(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopOpener)
#include "tst_desktopopener.moc"
