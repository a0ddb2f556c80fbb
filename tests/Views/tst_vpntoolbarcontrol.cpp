#include "App/AppModel.h"
#include "Support/SampleData.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Toolbar/VPNToolbarControl.h"

#include <QAction>
#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;
using Outcome = test::ScriptedHelperClient::Outcome;

Q_DECLARE_METATYPE(Outcome)

namespace {

// A model on a scripted helper whose configuration has a VPN subscription.
struct Fixture {
    test::ManualClock clock;
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;

    Fixture()
    {
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        AppModel::Options options;
        options.clock = &clock;
        model = std::make_unique<AppModel>(std::move(owned), options);
    }

    void configure(bool enabled)
    {
        SafeConfig config = SampleData::sampleConfig();
        config.proxy = SafeConfig::Proxy { enabled, true };
        client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(model->settings()->refresh());
        QVERIFY2(model->settings()->proxyEnabled() == enabled,
            qPrintable(model->settings()->lastError().value_or("no error")));
    }

    void nodes(std::optional<qint64> count)
    {
        client->enqueue(
            Method::proxyInfo, Outcome::encoded(ProxyInfoResult { count.has_value(), count.value_or(0) }));
    }
};

QString label(const VPNToolbarControl& control)
{
    return control.status().labelText.value_or(QString());
}

} // namespace

class TestVPNToolbarControl : public QObject {
    Q_OBJECT

private slots:
    // The server count is asked for while the routing is on and forgotten when
    // it goes off; the menu follows the switch.
    void followsTheSwitch()
    {
        Fixture f;
        f.configure(true);
        f.nodes(3);
        VPNToolbarControl control(*f.model);
        QTRY_COMPARE(label(control), QStringLiteral("3 nodes"));
        QCOMPARE(control.statusAction()->text(), QStringLiteral("On \u2014 3 nodes"));
        QCOMPARE(control.switchAction()->text(), QStringLiteral("Turn Corvane VPN Off"));
        QVERIFY(control.testAction()->isEnabled());
        QCOMPARE(control.toolTip(), QStringLiteral("On \u2014 3 nodes"));
        QCOMPARE(control.accessibleName(), QStringLiteral("Corvane VPN"));

        f.configure(false);
        QCOMPARE(control.nodeCount(), std::nullopt);
        QCOMPARE(control.status().labelText, std::nullopt);
        QCOMPARE(control.toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(control.statusAction()->text(), QStringLiteral("Corvane VPN is off"));
        QCOMPARE(control.switchAction()->text(), QStringLiteral("Turn Corvane VPN On"));
        QVERIFY(!control.testAction()->isEnabled());

        // The switch asks for the opposite of what the configuration holds.
        f.client->clearSent();
        f.client->enqueue(Method::setConfig, Outcome::absent());
        control.switchAction()->trigger();
        QTRY_VERIFY(!f.client->sent().isEmpty());
        ConfigPatch on;
        on.proxyEnabled = true;
        QCOMPARE(f.client->sent().first().request, Request::setConfig(on));
    }

    // Before the configuration is read the switch is off limits and sends nothing.
    void switchWaitsForTheConfiguration()
    {
        Fixture f;
        VPNToolbarControl control(*f.model);
        QVERIFY(!control.switchAction()->isEnabled());
        control.switchAction()->trigger();
        QTest::qWait(0);
        QVERIFY(f.client->sent().isEmpty());
        f.configure(false);
        QTRY_VERIFY(control.switchAction()->isEnabled());
    }

    void testFeedback_data()
    {
        QTest::addColumn<Outcome>("reply");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("after");
        QTest::newRow("passed with a count") << Outcome::encoded(TestProxyResult { true, "8 reachable" })
                                             << "Connection test passed \u2014 8 nodes"
                                             << "8 nodes"
                                             << "8 nodes";
        QTest::newRow("passed, no count")
            << Outcome::encoded(TestProxyResult { true, std::nullopt }) << "Connection test passed"
            << "On"
            << "On";
        QTest::newRow("refused") << Outcome::encoded(TestProxyResult { false, "no route" })
                                 << "Connection test failed"
                                 << "Failed"
                                 << "On";
        QTest::newRow("request failed") << Outcome::timeout() << "Connection test failed"
                                        << "Failed"
                                        << "On";
    }
    void testFeedback()
    {
        QFETCH(Outcome, reply);
        QFETCH(QString, status);
        QFETCH(QString, shown);
        QFETCH(QString, after);

        Fixture f;
        f.configure(true);
        f.nodes(std::nullopt);
        VPNToolbarControl control(*f.model);
        control.setFeedbackDuration(100ms);
        // The server count has been asked for and answered.
        QTRY_COMPARE(f.client->waiting(), 0);

        f.client->setHoldReplies(true);
        f.client->enqueue(Method::testProxy, reply);
        control.testAction()->trigger();
        QVERIFY(control.isTesting());
        QCOMPARE(label(control), QStringLiteral("Testing\u2026"));
        QCOMPARE(control.statusAction()->text(), QStringLiteral("Testing connection\u2026"));
        QVERIFY(!control.testAction()->isEnabled());

        f.client->release();
        QTRY_VERIFY(!control.isTesting());
        QCOMPARE(control.statusAction()->text(), status);
        QCOMPARE(label(control), shown);
        f.clock.advance(99ms);
        QCOMPARE(label(control), shown);
        f.clock.advance(1ms);
        QCOMPARE(control.status().icon, QStringLiteral("lock.shield.fill"));
        QCOMPARE(label(control), after);
    }

    // Only the newest test clears the feedback: the first test's timer runs out
    // while the second test's feedback shows, and leaves it.
    void newerTestOwnsTheFeedback()
    {
        Fixture f;
        f.configure(true);
        f.nodes(std::nullopt);
        VPNToolbarControl control(*f.model);
        control.setFeedbackDuration(1000ms);
        f.client->enqueue(Method::testProxy,
            { Outcome::encoded(TestProxyResult { true, "5" }),
                Outcome::encoded(TestProxyResult { false, {} }) });

        control.runTest();
        QTRY_COMPARE(control.status().icon, QStringLiteral("checkmark.shield.fill"));
        f.clock.advance(500ms);
        control.runTest();
        QTRY_COMPARE(label(control), QStringLiteral("Failed"));
        // Past the first test's time, before the second's.
        f.clock.advance(700ms);
        QCOMPARE(label(control), QStringLiteral("Failed"));
        f.clock.advance(300ms);
        QCOMPARE(label(control), QStringLiteral("5 nodes"));
    }

    // Answers that arrive after the control is gone touch nothing.
    void lateAnswersAfterTheControlIsGone()
    {
        Fixture f;
        f.configure(true);
        f.client->setHoldReplies(true);
        f.nodes(4);
        f.client->enqueue(Method::testProxy, Outcome::encoded(TestProxyResult { true, "9" }));
        auto control = std::make_unique<VPNToolbarControl>(*f.model);
        control->runTest();
        QTRY_COMPARE(f.client->waiting(), 2);
        control.reset();
        f.client->release();
        QTRY_COMPARE(f.client->waiting(), 0);
        QTest::qWait(10);

        // And a feedback timer outlived by its control fires into nothing.
        f.client->setHoldReplies(false);
        f.nodes(4);
        f.client->enqueue(Method::testProxy, Outcome::encoded(TestProxyResult { true, "9" }));
        control = std::make_unique<VPNToolbarControl>(*f.model);
        control->setFeedbackDuration(20ms);
        control->runTest();
        QTRY_COMPARE(control->nodeCount(), std::optional<qint64>(9));
        control.reset();
        f.clock.advance(20ms);
    }
};

QTEST_MAIN(TestVPNToolbarControl)
#include "tst_vpntoolbarcontrol.moc"
