#include "Services/AppleMusicLocalAccess.h"
#include "Services/AutomationPermissionMonitor.h"
#include "Services/LinuxAutomationProbe.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/TaskProbe.h"

#include <QGuiApplication>
#include <QMutex>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace mivo;
using Status = AppleMusicLocalAccess::Status;

Q_DECLARE_METATYPE(std::optional<qint32>)
Q_DECLARE_METATYPE(mivo::AppleMusicLocalAccess::Status)

namespace {

// Answers with whatever code the test set, and records how it was asked. The
// prompting question arrives on a worker thread.
class FakeProbe : public AutomationProbe {
public:
    std::optional<qint32> determinePermission(const QString& targetId, bool askIfNeeded) override
    {
        const QMutexLocker lock(&m_mutex);
        m_targets.append(targetId);
        m_asks.append(askIfNeeded);
        return askIfNeeded ? m_promptAnswer : m_silentAnswer;
    }

    // The answer without prompting, and the user's answer to the prompt.
    void answer(std::optional<qint32> silent, std::optional<qint32> prompt)
    {
        const QMutexLocker lock(&m_mutex);
        m_silentAnswer = silent;
        m_promptAnswer = prompt;
    }
    void answer(std::optional<qint32> code) { answer(code, code); }

    QList<bool> asks() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_asks;
    }
    QStringList targets() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_targets;
    }

private:
    mutable QMutex m_mutex;
    std::optional<qint32> m_silentAnswer = AutomationProbe::kWouldRequireConsent;
    std::optional<qint32> m_promptAnswer = AutomationProbe::kWouldRequireConsent;
    QList<bool> m_asks;
    QStringList m_targets;
};

void activate(Qt::ApplicationState state)
{
    emit qGuiApp->applicationStateChanged(state);
}

} // namespace

class TestAutomationPermission : public QObject {
    Q_OBJECT

private slots:
    // The system's result codes, whether read silently at start or as the
    // answer to the prompt.
    void statusMapping_data()
    {
        QTest::addColumn<std::optional<qint32>>("code");
        QTest::addColumn<Status>("status");
        QTest::newRow("permitted") << std::optional<qint32>(0) << Status::authorized;
        QTest::newRow("not permitted") << std::optional<qint32>(-1743) << Status::denied;
        QTest::newRow("would require consent") << std::optional<qint32>(-1744) << Status::undetermined;
        QTest::newRow("Music app not there") << std::optional<qint32>(-600) << Status::undetermined;
        QTest::newRow("other error") << std::optional<qint32>(-50) << Status::undetermined;
        QTest::newRow("positive code") << std::optional<qint32>(1) << Status::undetermined;
        QTest::newRow("no target") << std::optional<qint32>() << Status::undetermined;
    }

    void statusMapping()
    {
        QFETCH(std::optional<qint32>, code);
        QFETCH(Status, status);

        auto probe = std::make_shared<FakeProbe>();
        probe->answer(code);
        AutomationPermissionMonitor monitor { AppleMusicLocalAccess(probe) };
        QCOMPARE(monitor.status(), status);

        // Start from a different state, so the request's answer is seen to land.
        probe->answer(status == Status::denied ? 0 : -1743, code);
        monitor.recheck();
        test::TaskProbe<Status> request(monitor.requestAccess());
        QTRY_VERIFY(request.isDone());
        QCOMPARE(request.value(), status);
        QCOMPARE(monitor.status(), status);
    }

    void onlyTheRequestMayPrompt()
    {
        auto probe = std::make_shared<FakeProbe>();
        AutomationPermissionMonitor monitor { AppleMusicLocalAccess(probe) };
        monitor.recheck();
        activate(Qt::ApplicationActive);
        QCOMPARE(probe->asks(), QList<bool>({ false, false, false }));

        test::TaskProbe<Status> request(monitor.requestAccess());
        QTRY_VERIFY(request.isDone());
        QCOMPARE(probe->asks().last(), true);
        QCOMPARE(probe->targets(), QStringList(4, QStringLiteral("com.apple.Music")));
    }

    // Coming back to the application reads the consent again; observers hear
    // of it only when it changed.
    void activationRechecks_data()
    {
        QTest::addColumn<std::optional<qint32>>("before");
        QTest::addColumn<std::optional<qint32>>("after");
        QTest::addColumn<Qt::ApplicationState>("state");
        QTest::addColumn<Status>("status");
        QTest::addColumn<int>("notifications");
        QTest::newRow("revoked in settings") << std::optional<qint32>(0) << std::optional<qint32>(-1743)
                                             << Qt::ApplicationActive << Status::denied << 1;
        QTest::newRow("granted in settings") << std::optional<qint32>(-1744) << std::optional<qint32>(0)
                                             << Qt::ApplicationActive << Status::authorized << 1;
        QTest::newRow("unchanged") << std::optional<qint32>(0) << std::optional<qint32>(0)
                                   << Qt::ApplicationActive << Status::authorized << 0;
        QTest::newRow("other undetermined code")
            << std::optional<qint32>(-1744) << std::optional<qint32>(-600) << Qt::ApplicationActive
            << Status::undetermined << 0;
        QTest::newRow("going inactive") << std::optional<qint32>(0) << std::optional<qint32>(-1743)
                                        << Qt::ApplicationInactive << Status::authorized << 0;
    }

    void activationRechecks()
    {
        QFETCH(std::optional<qint32>, before);
        QFETCH(std::optional<qint32>, after);
        QFETCH(Qt::ApplicationState, state);
        QFETCH(Status, status);
        QFETCH(int, notifications);

        auto probe = std::make_shared<FakeProbe>();
        probe->answer(before);
        AutomationPermissionMonitor monitor { AppleMusicLocalAccess(probe) };
        QSignalSpy changed(&monitor, &AutomationPermissionMonitor::statusChanged);

        probe->answer(after);
        activate(state);
        QCOMPARE(monitor.status(), status);
        QCOMPARE(changed.count(), notifications);
    }

    void requestNotifiesOnlyOnChange()
    {
        auto probe = std::make_shared<FakeProbe>();
        probe->answer(-1743);
        AutomationPermissionMonitor monitor { AppleMusicLocalAccess(probe) };
        QSignalSpy changed(&monitor, &AutomationPermissionMonitor::statusChanged);

        test::TaskProbe<Status> same(monitor.requestAccess());
        QTRY_VERIFY(same.isDone());
        QCOMPARE(same.value(), Status::denied);
        QCOMPARE(changed.count(), 0);

        probe->answer(-1743, 0);
        test::TaskProbe<Status> granted(monitor.requestAccess());
        QTRY_VERIFY(granted.isDone());
        QCOMPARE(granted.value(), Status::authorized);
        QCOMPARE(changed.count(), 1);
    }

    // The prompt may be answered after the monitor is gone: the answer still
    // reaches the caller, and nothing touches the destroyed monitor.
    void requestOutlivesTheMonitor()
    {
        auto probe = std::make_shared<FakeProbe>();
        probe->answer(-1744, 0);
        auto monitor = std::make_unique<AutomationPermissionMonitor>(AppleMusicLocalAccess(probe));
        test::TaskProbe<Status> request(monitor->requestAccess());
        monitor.reset();
        QTRY_VERIFY(request.isDone());
        QCOMPARE(request.value(), Status::authorized);
    }

    // On this system there is no Music app to ask: the state stays
    // undetermined whatever is asked, and the activation re-check agrees.
    void linuxHasNoMusicApp()
    {
        auto probe = std::make_shared<LinuxAutomationProbe>();
        QCOMPARE(probe->determinePermission(QStringLiteral("com.apple.Music"), true),
            std::optional<qint32>(AutomationProbe::kTargetNotFound));

        AutomationPermissionMonitor monitor { AppleMusicLocalAccess(probe) };
        QSignalSpy changed(&monitor, &AutomationPermissionMonitor::statusChanged);
        QCOMPARE(monitor.status(), Status::undetermined);
        test::TaskProbe<Status> request(monitor.requestAccess());
        QTRY_VERIFY(request.isDone());
        QCOMPARE(request.value(), Status::undetermined);
        activate(Qt::ApplicationActive);
        QCOMPARE(monitor.status(), Status::undetermined);
        QCOMPARE(changed.count(), 0);
    }

    void openAutomationSettings_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("warnings");
        QTest::newRow("opened") << true << 0;
        QTest::newRow("nothing opens it") << false << 1;
    }

    void openAutomationSettings()
    {
        QFETCH(bool, opens);
        QFETCH(int, warnings);

        QList<QUrl> opened;
        AppleMusicLocalAccess access(std::make_shared<FakeProbe>(), [&](const QUrl& url) {
            opened.append(url);
            return opens;
        });
        test::LogCapture log;
        access.openAutomationSettings();
        QCOMPARE(opened,
            QList<QUrl>({ QUrl(QStringLiteral(
                "x-apple.systempreferences:com.apple.preference.security?Privacy_Automation")) }));
        QCOMPARE(log.texts(QStringLiteral(".apple-local-access"), QtWarningMsg).size(), warnings);
    }
};

QTEST_MAIN(TestAutomationPermission)
#include "tst_automationpermission.moc"
