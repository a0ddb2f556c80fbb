// The stand-in session that window tests build the application with: its own
// waits must end whatever the helper does.
#include "TestSupport/StandInSession.h"
#include "Transport/HelperClient.h"

#include <QtTest>

using namespace mivo;

namespace {

constexpr int kRelaunchTimeoutMs = 30000;

} // namespace

class TestStandInSession : public QObject {
    Q_OBJECT

private slots:
    // The wait for the helper ends whatever its request comes to: sent at once
    // after the helper died, the request fails and the wait says so (it used
    // to wait for ever, with nothing left to end it); once the relaunched
    // helper runs, it answers.
    void waitForTheHelperEndsAroundARelaunch()
    {
        test::StandInSession session;
        QVERIFY(session.showAndWaitForTheHelper());
        QVERIFY(session.helperCaughtUp());
        HelperProcess& process = static_cast<HelperClient*>(session.model->client())->process();
        const qint64 first = process.processId();
        process.kill();
        QVERIFY(!session.helperCaughtUp());
        QTRY_VERIFY_WITH_TIMEOUT(process.isRunning() && process.processId() != first, kRelaunchTimeoutMs);
        QVERIFY(session.helperCaughtUp());
    }
};

QTEST_MAIN(TestStandInSession)
#include "tst_standinsession.moc"
