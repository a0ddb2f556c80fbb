#include "Support/UserDefaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

class TestUserDefaults : public QObject {
    Q_OBJECT

private slots:
    // Values written by hand into the file are read as booleans only when they are one.
    void readsBooleans_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("absent uses default false") << QByteArray() << false << false;
        QTest::newRow("absent uses default true") << QByteArray() << true << true;
        QTest::newRow("true") << QByteArray("reduceGlassEffects=true") << false << true;
        QTest::newRow("false") << QByteArray("reduceGlassEffects=false") << true << false;
        QTest::newRow("one") << QByteArray("reduceGlassEffects=1") << false << true;
        QTest::newRow("zero") << QByteArray("reduceGlassEffects=0") << true << false;
        QTest::newRow("garbage keeps default") << QByteArray("reduceGlassEffects=maybe") << false << false;
        QTest::newRow("empty keeps default") << QByteArray("reduceGlassEffects=") << true << true;
    }
    void readsBooleans()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("defaults.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
        file.close();
        const UserDefaults defaults(path);
        QCOMPARE(defaults.boolValue(QString::fromLatin1(UserDefaults::kReduceGlassEffects), defaultValue),
            expected);
    }

    void notifiesOnlyOnChangeAndPersists()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("defaults.ini"));
        const QString key = QString::fromLatin1(UserDefaults::kDidOnboard);
        {
            UserDefaults defaults(path);
            QSignalSpy spy(&defaults, &UserDefaults::valueChanged);
            defaults.setBool(key, true);
            defaults.setBool(key, true);
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toString(), key);
            defaults.setString(QString::fromLatin1(UserDefaults::kAppAppearance), QStringLiteral("dark"));
            QCOMPARE(spy.count(), 2);
        }
        const UserDefaults reopened(path);
        QCOMPARE(reopened.boolValue(key), true);
        QCOMPARE(
            reopened.stringValue(QString::fromLatin1(UserDefaults::kAppAppearance), QStringLiteral("system")),
            QStringLiteral("dark"));
        QCOMPARE(reopened.stringValue(QStringLiteral("missing"), QStringLiteral("system")),
            QStringLiteral("system"));
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
