#include "Services/LinuxUpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "State/SyncStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace mivo;

namespace {

class RecordingFramework : public UpdateFramework {
public:
    void checkForUpdates() override { ++checks; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool enabled) override
    {
        automatic = enabled;
        ++writes;
    }

    int checks = 0;
    int writes = 0;
    bool automatic = true;
};

} // namespace

class UpdaterModelTest : public QObject {
    Q_OBJECT

private slots:
    void reportsTheRunningVersion_data();
    void reportsTheRunningVersion();
    void passesTheSwitchToTheFrameworkAndNotifiesOnlyOnChange();
    void automaticSwitchOutlivesTheApplication();
    void checkTellsTheUserThatUpdatesComeFromOutside();
};

void UpdaterModelTest::reportsTheRunningVersion_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("shown");

    QTest::newRow("named") << "1.4.2"
                           << "1.4.2";
    QTest::newRow("none") << ""
                          << "0.0.0";
}

void UpdaterModelTest::reportsTheRunningVersion()
{
    QFETCH(QString, built);
    QFETCH(QString, shown);

    const UpdaterModel updater(std::make_unique<RecordingFramework>(), built);
    QCOMPARE(updater.currentVersion(), shown);
    QVERIFY(updater.canCheck());
}

void UpdaterModelTest::passesTheSwitchToTheFrameworkAndNotifiesOnlyOnChange()
{
    auto framework = std::make_unique<RecordingFramework>();
    RecordingFramework* recorder = framework.get();
    UpdaterModel updater(std::move(framework), QStringLiteral("1.0"));
    QSignalSpy changed(&updater, &UpdaterModel::automaticallyChecksChanged);

    updater.setAutomaticallyChecks(true);
    QCOMPARE(changed.count(), 0);
    updater.setAutomaticallyChecks(false);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(recorder->automatic, false);
    QVERIFY(!updater.automaticallyChecks());

    updater.checkForUpdates();
    QCOMPARE(recorder->checks, 1);
}

void UpdaterModelTest::automaticSwitchOutlivesTheApplication()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));

    for (const bool enabled : { true, false }) {
        {
            UpdaterModel updater(std::make_unique<LinuxUpdateFramework>(nullptr, settings), QString());
            updater.setAutomaticallyChecks(enabled);
            QCOMPARE(updater.automaticallyChecks(), enabled);
        }
        const UpdaterModel relaunched(std::make_unique<LinuxUpdateFramework>(nullptr, settings), QString());
        QCOMPARE(relaunched.automaticallyChecks(), enabled);
    }
}

void UpdaterModelTest::checkTellsTheUserThatUpdatesComeFromOutside()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto sync = std::make_unique<SyncStore>();
    UpdaterModel updater(
        std::make_unique<LinuxUpdateFramework>(sync.get(), dir.filePath(QStringLiteral("settings.ini"))),
        QString());

    updater.checkForUpdates();
    QCOMPARE(sync->banner(),
        std::optional(
            SyncBanner { SyncBanner::Kind::info, LinuxUpdateFramework::unavailableText(), std::nullopt }));
    QVERIFY(LinuxUpdateFramework::unavailableText().contains(QStringLiteral("Linux")));

    // Once the banner's store is gone, a check has nowhere to answer and does nothing.
    sync.reset();
    updater.checkForUpdates();
}

QTEST_GUILESS_MAIN(UpdaterModelTest)
#include "tst_updatermodel.moc"
