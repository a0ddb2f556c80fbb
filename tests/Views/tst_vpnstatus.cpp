#include "Views/Toolbar/VPNStatus.h"

#include <QtTest>

using namespace mivo;
using Feedback = VPNStatus::TestFeedback;

Q_DECLARE_METATYPE(mivo::VPNStatus::Inputs)
Q_DECLARE_METATYPE(mivo::ThemeColor)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

VPNStatus::Inputs inputs(bool enabled, ProxyStatusValue pushed = ProxyStatusValue::off,
    std::optional<QString> detail = std::nullopt, std::optional<qint64> nodes = std::nullopt)
{
    VPNStatus::Inputs in;
    in.enabled = enabled;
    in.pushedStatus = pushed;
    in.pushedDetail = std::move(detail);
    in.nodeCount = nodes;
    return in;
}

VPNStatus::Inputs testing(VPNStatus::Inputs in)
{
    in.testing = true;
    return in;
}

VPNStatus::Inputs withFeedback(VPNStatus::Inputs in, Feedback feedback)
{
    in.feedback = feedback;
    return in;
}

} // namespace

class TestVPNStatus : public QObject {
    Q_OBJECT

private slots:
    // The four decisions (menu text, label, symbol, tint) over the switch, the
    // pushed status, a running test and its feedback.
    void decisions_data()
    {
        QTest::addColumn<VPNStatus::Inputs>("in");
        QTest::addColumn<QString>("status");
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<ThemeColor>("tint");
        const std::optional<QString> none;
        const auto label = [](const char* text) { return std::optional<QString>(text); };
        using S = ProxyStatusValue;

        QTest::newRow("off") << inputs(false) << "Corvane VPN is off" << none << "lock.shield"
                             << ThemeColor::secondary();
        QTest::newRow("off while the helper still reports connected")
            << inputs(false, S::connected, "12 servers") << "Corvane VPN is off" << none << "lock.shield"
            << ThemeColor::secondary();
        QTest::newRow("on, nothing known") << inputs(true) << "On" << label("On") << "lock.shield.fill"
                                           << ThemeColor::accent();
        QTest::newRow("on, one node") << inputs(true, S::off, none, 1) << "On \u2014 1 node" << label("1 node")
                                      << "lock.shield.fill" << ThemeColor::accent();
        QTest::newRow("on, no nodes") << inputs(true, S::off, none, 0) << "On \u2014 0 nodes"
                                      << label("0 nodes") << "lock.shield.fill" << ThemeColor::accent();
        QTest::newRow("connected, servers in the detail")
            << inputs(true, S::connected, "12 servers, fastest 40 ms", 3)
            << "Connected (12 servers, fastest 40 ms)" << label("12 nodes") << "lock.shield.fill"
            << ThemeColor::green();
        QTest::newRow("connected, detail without a number falls back to the node count")
            << inputs(true, S::connected, "via Frankfurt", 3) << "Connected (via Frankfurt)" << label("3 nodes")
            << "lock.shield.fill" << ThemeColor::green();
        QTest::newRow("connected, nothing known") << inputs(true, S::connected) << "Connected" << label("On")
                                                  << "lock.shield.fill" << ThemeColor::green();
        QTest::newRow("helper connecting") << inputs(true, S::connecting) << "Connecting to Corvane VPN\u2026"
                                           << label("Testing\u2026") << "lock.shield" << ThemeColor::yellow();
        QTest::newRow("down") << inputs(true, S::down, none, 5) << "Disconnected \u2014 Soulseek is paused"
                              << label("5 nodes") << "exclamationmark.shield.fill" << ThemeColor::red();
        QTest::newRow("error") << inputs(true, S::error) << "Connection error \u2014 Soulseek is paused"
                               << label("On") << "exclamationmark.shield.fill" << ThemeColor::red();
        QTest::newRow("testing") << testing(inputs(true, S::connected)) << "Testing connection\u2026"
                                 << label("Testing\u2026") << "lock.shield" << ThemeColor::yellow();
        QTest::newRow("testing, the pushed servers still count")
            << testing(inputs(true, S::connected, "7 up")) << "Testing connection\u2026" << label("7 nodes")
            << "lock.shield" << ThemeColor::yellow();
        QTest::newRow("test passed with a count")
            << withFeedback(inputs(true, S::off, none, 8), Feedback::success)
            << "Connection test passed \u2014 8 nodes" << label("8 nodes") << "checkmark.shield.fill"
            << ThemeColor::green();
        QTest::newRow("test passed, nothing known") << withFeedback(inputs(true), Feedback::success)
                                                    << "Connection test passed" << label("On")
                                                    << "checkmark.shield.fill" << ThemeColor::green();
        QTest::newRow("test failed while enabled")
            << withFeedback(inputs(true, S::connected, "12 up"), Feedback::failure) << "Connection test failed"
            << label("Failed") << "xmark.shield.fill" << ThemeColor::red();
        QTest::newRow("test failed after switching off")
            << withFeedback(inputs(false), Feedback::failure) << "Connection test failed" << label("Failed")
            << "xmark.shield.fill" << ThemeColor::red();
    }
    void decisions()
    {
        QFETCH(VPNStatus::Inputs, in);
        QFETCH(QString, status);
        QFETCH(std::optional<QString>, label);
        QFETCH(QString, icon);
        QFETCH(ThemeColor, tint);

        const VPNStatus s = VPNStatus::of(in);
        QCOMPARE(s.statusText, status);
        QCOMPARE(s.labelText, label);
        QCOMPARE(s.icon, icon);
        QVERIFY(s.tint == tint);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint64>>("number");
        const std::optional<qint64> none;
        QTest::newRow("digits then text") << "12 servers" << std::optional<qint64>(12);
        QTest::newRow("digits only") << "8" << std::optional<qint64>(8);
        QTest::newRow("leading zeros") << "007x" << std::optional<qint64>(7);
        QTest::newRow("text first") << "servers: 12" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("a sign is not numeric") << "-3" << none;
        QTest::newRow("largest 64-bit") << "9223372036854775807" << std::optional<qint64>(9223372036854775807);
        QTest::newRow("overflow") << "9223372036854775808 nodes" << none;
        QTest::newRow("arabic-indic digits") << "\u0661\u0662" << none;
        QTest::newRow("ascii digits then a fraction sign") << "3\u00bd" << none;
        QTest::newRow("a digit with a combining mark ends the number") << "12\u03013" << std::optional<qint64>(1);
        QTest::newRow("mathematical digit outside the basic plane") << "\U0001D7CF" << none;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<qint64>, number);
        QCOMPARE(VPNStatus::leadingNumber(text), number);
    }
};

QTEST_GUILESS_MAIN(TestVPNStatus)
#include "tst_vpnstatus.moc"
