#include "Styling/GlassEnvironment.h"
#include "Styling/SystemAccessibilityPreferences.h"
#include "Support/UserDefaults.h"
#include "TestSupport/LogCapture.h"
#include "Views/DisclosurePanel.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;

namespace {

using SettingGroups = QMap<QString, QVariantMap>;

const auto kService = QStringLiteral("org.freedesktop.portal.Desktop");
const auto kPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The desktop portal's Settings interface, answering from `settings`.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    SettingGroups settings;

    // Changes one setting and says so, as the portal does.
    void change(const QString& group, const QString& key, const QVariant& value)
    {
        settings[group][key] = value;
        emit SettingChanged(group, key, QDBusVariant(value));
    }

public slots:
    SettingGroups ReadAll(const QStringList& groups)
    {
        SettingGroups asked;
        for (auto group = settings.cbegin(); group != settings.cend(); ++group) {
            if (groups.isEmpty() || groups.contains(group.key()))
                asked.insert(group.key(), group.value());
        }
        return asked;
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

} // namespace

class TestSystemAccessibility : public QObject {
    Q_OBJECT

private:
    // The private bus's configuration and (empty) service folder; it outlives
    // the daemon.
    QTemporaryDir m_busFolder;
    QProcess m_daemon;
    QString m_address;
    std::unique_ptr<FakePortal> m_portal;
    int m_connections = 0;

    // A new connection of this process to the private bus.
    QDBusConnection newConnection()
    {
        return QDBusConnection::connectToBus(m_address, QStringLiteral("reader-%1").arg(++m_connections));
    }

    static QDBusConnection portalBus() { return QDBusConnection(QStringLiteral("portal")); }

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed (Debian package dbus-daemon): no private bus to test on.");
        // A configuration of its own: the standard session one would start the
        // system's real portal on the first call that finds none on the bus. Its
        // socket is an abstract one, which leaves no file behind and does not
        // depend on how long the temporary folder's path is.
        QVERIFY(m_busFolder.isValid());
        const QString services = m_busFolder.filePath(QStringLiteral("services"));
        QVERIFY(QDir().mkpath(services));
        QFile config(m_busFolder.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        // Written without a raw string literal, which moc does not read.
        config.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig>\n"
                "  <type>session</type>\n"
                "  <listen>unix:abstract=%1</listen>\n"
                "  <auth>EXTERNAL</auth>\n"
                "  <servicedir>%2</servicedir>\n"
                "  <policy context=\"default\">\n"
                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                "    <allow eavesdrop=\"true\"/>\n"
                "    <allow own=\"*\"/>\n"
                "  </policy>\n"
                "</busconfig>\n")
                .arg(QStringLiteral("mivo-test-bus-") + QUuid::createUuid().toString(QUuid::WithoutBraces),
                    services.toHtmlEscaped())
                .toUtf8());
        config.close();
        m_daemon.start(daemon,
            { QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--print-address"),
                QStringLiteral("--nofork") });
        QVERIFY2(m_daemon.waitForStarted(), qPrintable(m_daemon.errorString()));
        while (!m_daemon.canReadLine())
            QVERIFY2(m_daemon.waitForReadyRead(10000), "dbus-daemon printed no address");
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();

        qDBusRegisterMetaType<SettingGroups>();
        QDBusConnection portal = QDBusConnection::connectToBus(m_address, QStringLiteral("portal"));
        QVERIFY2(portal.isConnected(), qPrintable(portal.lastError().message()));
        m_portal = std::make_unique<FakePortal>();
        QVERIFY(portal.registerObject(
            kPath, m_portal.get(), QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(portal.registerService(kService));
    }

    void cleanupTestCase()
    {
        for (int i = 1; i <= m_connections; ++i)
            QDBusConnection::disconnectFromBus(QStringLiteral("reader-%1").arg(i));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        m_portal.reset();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }

    void init() { m_portal->settings.clear(); }

    // What the desktop's settings read as at start, from the keys GNOME, KDE and
    // the portal itself publish, in the types they send them.
    void readsTheDesktopsSettings_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<bool>("increaseContrast");

        const QString gnome = QStringLiteral("org.gnome.desktop.interface");
        const QString gnomeA11y = QStringLiteral("org.gnome.desktop.a11y.interface");
        const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");
        const QString appearance = QStringLiteral("org.freedesktop.appearance");
        QTest::newRow("nothing set") << QString() << QString() << QVariant() << false << false;
        QTest::newRow("GNOME animations off")
            << gnome << "enable-animations" << QVariant(false) << true << false;
        QTest::newRow("GNOME animations on")
            << gnome << "enable-animations" << QVariant(true) << false << false;
        QTest::newRow("KDE animation factor 0")
            << kde << "AnimationDurationFactor" << QVariant(0.0) << true << false;
        QTest::newRow("KDE animation factor 0 as text")
            << kde << "AnimationDurationFactor" << QVariant(QStringLiteral("0")) << true << false;
        QTest::newRow("KDE animations slowed")
            << kde << "AnimationDurationFactor" << QVariant(0.5) << false << false;
        QTest::newRow("portal's reduced motion")
            << appearance << "reduced-motion" << QVariant(1u) << true << false;
        QTest::newRow("portal's high contrast") << appearance << "contrast" << QVariant(1u) << false << true;
        QTest::newRow("portal's normal contrast")
            << appearance << "contrast" << QVariant(0u) << false << false;
        QTest::newRow("GNOME high contrast")
            << gnomeA11y << "high-contrast" << QVariant(true) << false << true;
        QTest::newRow("a setting of another group")
            << QStringLiteral("org.gnome.desktop.wm.preferences") << "enable-animations" << QVariant(false)
            << false << false;
    }
    void readsTheDesktopsSettings()
    {
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(bool, reduceMotion);
        QFETCH(bool, increaseContrast);
        if (!group.isEmpty())
            m_portal->settings[group][key] = value;

        SystemAccessibilityPreferences preferences(newConnection());
        QSignalSpy changed(&preferences, &AccessibilityPreferences::changed);
        QVERIFY(!preferences.hasRead());
        QTRY_VERIFY(preferences.hasRead());
        QCOMPARE(preferences.reduceMotion(), reduceMotion);
        QCOMPARE(preferences.increaseContrast(), increaseContrast);
        QCOMPARE(preferences.reduceTransparency(), false);
        QCOMPARE(changed.count(), reduceMotion || increaseContrast ? 1 : 0);
    }

    // A change on the desktop reaches a fold at once: shut with an animation
    // before, at once after the animations were turned off, animated again once
    // they are back. A change of another setting says nothing.
    void aLiveChangeTurnsAFoldInstant()
    {
        const QString gnome = QStringLiteral("org.gnome.desktop.interface");
        m_portal->settings[gnome][QStringLiteral("enable-animations")] = true;
        SystemAccessibilityPreferences preferences(newConnection());
        QTRY_VERIFY(preferences.hasRead());
        QSignalSpy changed(&preferences, &AccessibilityPreferences::changed);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QSettingsUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* panel = new DisclosurePanel(new QLabel(QStringLiteral("Details")), false, &window);
        layout->addWidget(panel);
        GlassEnvironment::bind(&window, &preferences, &defaults);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        panel->setRevealed(true);
        QVERIFY(panel->isMoving());
        QTRY_VERIFY(!panel->isMoving());

        m_portal->change(gnome, QStringLiteral("color-scheme"), QStringLiteral("prefer-dark"));
        m_portal->change(gnome, QStringLiteral("enable-animations"), false);
        QTRY_VERIFY(preferences.reduceMotion());
        QCOMPARE(changed.count(), 1);
        panel->setRevealed(false);
        QVERIFY(!panel->isMoving());
        QVERIFY(!panel->isVisible());

        m_portal->change(gnome, QStringLiteral("enable-animations"), true);
        QTRY_VERIFY(!preferences.reduceMotion());
        QCOMPARE(changed.count(), 2);
        panel->setRevealed(true);
        QVERIFY(panel->isMoving());
    }

    // Without a portal on the bus, or without a bus, every setting stays off,
    // and the log says why, once.
    void withoutAPortalEverythingStaysOff()
    {
        test::LogCapture log;
        QVERIFY(portalBus().unregisterService(kService));
        const auto restore = qScopeGuard([] { portalBus().registerService(kService); });
        {
            SystemAccessibilityPreferences preferences(newConnection());
            QTRY_VERIFY(preferences.hasRead());
            QCOMPARE(preferences.reduceMotion(), false);
            QCOMPARE(preferences.increaseContrast(), false);
        }
        {
            SystemAccessibilityPreferences preferences(QDBusConnection(QStringLiteral("never connected")));
            QVERIFY(preferences.hasRead());
            QCOMPARE(preferences.reduceMotion(), false);
        }
        const QStringList said = log.texts(QStringLiteral(".accessibility"), QtInfoMsg);
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[0].contains(QStringLiteral("could not be read")) && said[0].contains(kService),
            qPrintable(said[0]));
        QVERIFY2(said[1].startsWith(QStringLiteral("No session bus")), qPrintable(said[1]));
    }
};

QTEST_MAIN(TestSystemAccessibility)
#include "tst_systemaccessibility.moc"
