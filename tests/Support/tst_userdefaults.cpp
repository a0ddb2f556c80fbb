#include "Support/UserDefaults.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::AppAppearance)

class TestUserDefaults : public QObject {
    Q_OBJECT

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("defaults.ini")); }

    // A new folder for every case: QSettings caches files by path, and a file
    // rewritten within the same second with the same size looks unchanged.
    std::optional<QTemporaryDir> m_dir;

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }

    void defaultsOfAnEmptyStore()
    {
        QSettingsUserDefaults defaults(iniPath());
        QCOMPARE(defaults.didOnboard(), false);
        QCOMPARE(defaults.reduceGlassEffects(), false);
        QCOMPARE(defaults.appAppearance(), AppAppearance::system);
    }

    // What one instance writes, a fresh one reading the same file finds.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("didOnboard");
        QTest::addColumn<bool>("reduceGlass");
        QTest::addColumn<AppAppearance>("appearance");
        QTest::newRow("all set") << true << true << AppAppearance::dark;
        QTest::newRow("light") << true << false << AppAppearance::light;
        QTest::newRow("back to system") << false << true << AppAppearance::system;
    }

    void roundTrip()
    {
        QFETCH(bool, didOnboard);
        QFETCH(bool, reduceGlass);
        QFETCH(AppAppearance, appearance);

        {
            QSettingsUserDefaults writer(iniPath());
            // Start from the opposite of the row so every setter really writes.
            writer.setDidOnboard(!didOnboard);
            writer.setReduceGlassEffects(!reduceGlass);
            writer.setAppAppearance(
                appearance == AppAppearance::dark ? AppAppearance::light : AppAppearance::dark);
            writer.setDidOnboard(didOnboard);
            writer.setReduceGlassEffects(reduceGlass);
            writer.setAppAppearance(appearance);
        }
        QSettingsUserDefaults reader(iniPath());
        QCOMPARE(reader.didOnboard(), didOnboard);
        QCOMPARE(reader.reduceGlassEffects(), reduceGlass);
        QCOMPARE(reader.appAppearance(), appearance);
    }

    // Values that someone else wrote into the file: words the store knows are
    // read; anything else reads as the key's default.
    void storedText_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("didOnboard");
        QTest::addColumn<bool>("reduceGlass");
        QTest::addColumn<AppAppearance>("appearance");
        QTest::newRow("onboarded") << "didOnboard"
                                   << "true" << true << false << AppAppearance::system;
        QTest::newRow("onboarded as 1") << "didOnboard"
                                        << "1" << true << false << AppAppearance::system;
        QTest::newRow("onboard garbage") << "didOnboard"
                                         << "banana" << false << false << AppAppearance::system;
        QTest::newRow("glass reduced") << "reduceGlassEffects"
                                       << "TRUE" << false << true << AppAppearance::system;
        QTest::newRow("glass garbage") << "reduceGlassEffects"
                                       << "maybe" << false << false << AppAppearance::system;
        QTest::newRow("dark") << "appAppearance"
                              << "dark" << false << false << AppAppearance::dark;
        QTest::newRow("light") << "appAppearance"
                               << "light" << false << false << AppAppearance::light;
        QTest::newRow("wrong case") << "appAppearance"
                                    << "Dark" << false << false << AppAppearance::system;
        QTest::newRow("unknown word") << "appAppearance"
                                      << "sepia" << false << false << AppAppearance::system;
    }

    void storedText()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(bool, didOnboard);
        QFETCH(bool, reduceGlass);
        QFETCH(AppAppearance, appearance);

        {
            QSettings raw(iniPath(), QSettings::IniFormat);
            raw.setValue(key, text);
        }
        QSettingsUserDefaults defaults(iniPath());
        QCOMPARE(defaults.didOnboard(), didOnboard);
        QCOMPARE(defaults.reduceGlassEffects(), reduceGlass);
        QCOMPARE(defaults.appAppearance(), appearance);
    }

    // Booleans written by hand into the file count only when they read as one.
    void readsBooleans_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("expected");
        QTest::newRow("absent") << QByteArray() << false;
        QTest::newRow("true") << QByteArray("reduceGlassEffects=true") << true;
        QTest::newRow("false") << QByteArray("reduceGlassEffects=false") << false;
        QTest::newRow("one") << QByteArray("reduceGlassEffects=1") << true;
        QTest::newRow("zero") << QByteArray("reduceGlassEffects=0") << false;
        QTest::newRow("yes") << QByteArray("reduceGlassEffects=yes") << true;
        QTest::newRow("garbage keeps default") << QByteArray("reduceGlassEffects=maybe") << false;
        QTest::newRow("empty keeps default") << QByteArray("reduceGlassEffects=") << false;
    }

    void readsBooleans()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, expected);
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
        file.close();
        const QSettingsUserDefaults defaults(iniPath());
        QCOMPARE(defaults.reduceGlassEffects(), expected);
    }

    void notifiesOnlyOnChangeAndPersists()
    {
        {
            QSettingsUserDefaults defaults(iniPath());
            QSignalSpy onboard(&defaults, &UserDefaults::didOnboardChanged);
            QSignalSpy appearance(&defaults, &UserDefaults::appAppearanceChanged);
            defaults.setDidOnboard(true);
            defaults.setDidOnboard(true);
            QCOMPARE(onboard.count(), 1);
            defaults.setAppAppearance(AppAppearance::dark);
            QCOMPARE(appearance.count(), 1);
        }
        const QSettingsUserDefaults reopened(iniPath());
        QCOMPARE(reopened.didOnboard(), true);
        QCOMPARE(reopened.appAppearance(), AppAppearance::dark);
        QCOMPARE(reopened.reduceGlassEffects(), false);
    }

    void notifiesOnlyOnChange()
    {
        QSettingsUserDefaults defaults(iniPath());
        QSignalSpy onboard(&defaults, &UserDefaults::didOnboardChanged);
        QSignalSpy glass(&defaults, &UserDefaults::reduceGlassEffectsChanged);
        QSignalSpy appearance(&defaults, &UserDefaults::appAppearanceChanged);

        // Equal to the defaults: nothing changes.
        defaults.setDidOnboard(false);
        defaults.setReduceGlassEffects(false);
        defaults.setAppAppearance(AppAppearance::system);
        QCOMPARE(onboard.count() + glass.count() + appearance.count(), 0);

        defaults.setDidOnboard(true);
        defaults.setDidOnboard(true);
        defaults.setReduceGlassEffects(true);
        defaults.setAppAppearance(AppAppearance::dark);
        defaults.setAppAppearance(AppAppearance::dark);
        QCOMPARE(onboard.count(), 1);
        QCOMPARE(glass.count(), 1);
        QCOMPARE(appearance.count(), 1);
        QCOMPARE(defaults.property("appAppearance").value<AppAppearance>(), AppAppearance::dark);
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
