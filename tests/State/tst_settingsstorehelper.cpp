#include "State/SettingsStore.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"
#include "Transport/HelperProcess.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

// The settings store against the stand-in helper, through real pipes: the
// configuration lives in a file of a temporary folder.
class TestSettingsStoreHelper : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<HelperClient> m_client;

    // Starts the stand-in helper, found as the application finds it, with the
    // given behaviour switches.
    bool startHelper(const QStringList& switches)
    {
        qputenv("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        qputenv("MIVO_STANDIN_CONFIG", m_dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
        for (const QString& entry : switches)
            qputenv(entry.section('=', 0, 0).toLocal8Bit(), entry.section('=', 1).toLocal8Bit());
        m_client = std::make_unique<HelperClient>(HelperProcess::create({ QStringLiteral("serve") }));
        test::TaskProbe<void> started(m_client->start());
        return QTest::qWaitFor([&started] { return started.isDone(); }) && !started.failed();
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void cleanup()
    {
        // A client lets its helper run on; this one ends here, before the next test.
        if (m_client)
            m_client->process().stop(HelperProcess::kStopGrace, HelperProcess::kTerminateGrace);
        m_client.reset();
        for (const char* name :
            { "MIVO_HELPER_PATH", "MIVO_STANDIN_CONFIG", "MIVO_STANDIN_BARE", "MIVO_STANDIN_FAIL" })
            qunsetenv(name);
    }

    void changesAreReadBack_data()
    {
        QTest::addColumn<QStringList>("switches");
        QTest::newRow("wrapped configuration") << QStringList {};
        QTest::newRow("bare configuration") << QStringList { "MIVO_STANDIN_BARE=getConfig" };
    }
    void changesAreReadBack()
    {
        QFETCH(QStringList, switches);
        QVERIFY(startHelper(switches));
        SettingsStore store(*m_client);

        QCoro::waitFor(store.refresh());
        QVERIFY(store.config());
        QCOMPARE(store.lastError(), std::nullopt);

        const QString music = m_dir.filePath(QStringLiteral("Music"));
        ConfigPatch patch;
        patch.outputDir = music;
        QCoro::waitFor(store.apply(patch));
        QCOMPARE(store.config()->outputDir, music);

        QCoro::waitFor(store.setProxySubscription(QStringLiteral("vpn://subscription/abc")));
        QVERIFY(store.proxyConfigured());
        QCoro::waitFor(store.setProxyEnabled(true));
        QVERIFY(store.proxyEnabled());
        QCoro::waitFor(store.disconnectProxy());
        QVERIFY(!store.proxyConfigured());

        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(store.config()->outputDir, music);
    }

    void failedWriteShowsTheHelperMessage()
    {
        QVERIFY(startHelper({ "MIVO_STANDIN_FAIL=setConfig=internal" }));
        SettingsStore store(*m_client);
        QCoro::waitFor(store.refresh());
        const std::optional<SafeConfig> before = store.config();
        QVERIFY(before);

        ConfigPatch patch;
        patch.outputDir = m_dir.filePath(QStringLiteral("Elsewhere"));
        QCoro::waitFor(store.apply(patch));

        QCOMPARE(store.lastError(), QStringLiteral("Simulated failure of setConfig"));
        QCOMPARE(store.config(), before);
        QCoro::waitFor(store.refresh());
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(store.config(), before);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStoreHelper)
#include "tst_settingsstorehelper.moc"
