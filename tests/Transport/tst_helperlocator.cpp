#include "Base/Bundle.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperError.h"
#include "Transport/HelperLocator.h"

#include <QtTest>

using namespace mivo;

namespace {

// What sits at one candidate location.
enum class Entry {
    absent,
    executable,
    plainFile,
    folder,
    linkToExecutable,
    linkToFolder,
    danglingLink,
    linkToApplication
};

bool makeExecutable(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    return file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

bool makeEntry(const QString& path, Entry entry, const QString& application = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    switch (entry) {
    case Entry::absent:
        return true;
    case Entry::executable:
        return makeExecutable(path);
    case Entry::plainFile: {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("data") == 4;
    }
    case Entry::folder:
        return QDir().mkpath(path);
    case Entry::linkToExecutable:
        return makeExecutable(path + ".target") && QFile::link(path + ".target", path);
    case Entry::linkToFolder:
        return QDir().mkpath(path + ".dir") && QFile::link(path + ".dir", path);
    case Entry::danglingLink:
        return QFile::link(path + ".nowhere", path);
    case Entry::linkToApplication:
        return QFile::link(application, path);
    }
    return false;
}

} // namespace

class TestHelperLocator : public QObject {
    Q_OBJECT

private slots:
    // The three candidates in order: MIVO_HELPER_PATH, "Contents/Helpers/mivo",
    // the auxiliary executable "mivo". Only executable regular files count.
    void locate_data()
    {
        QTest::addColumn<QString>("bundleName");
        QTest::addColumn<bool>("setVariable");
        QTest::addColumn<Entry>("fromVariable");
        QTest::addColumn<Entry>("inHelpers");
        QTest::addColumn<Entry>("auxiliary");
        QTest::addColumn<QString>("expected");

        const QString app = "mivo.app"; // the auxiliary "mivo" is the application itself
        const QString other = "Other.app"; // the application is "Other"; "mivo" beside it is a helper

        QTest::newRow("variable wins")
            << app << true << Entry::executable << Entry::executable << Entry::absent << "variable";
        QTest::newRow("variable link to executable")
            << app << true << Entry::linkToExecutable << Entry::executable << Entry::absent << "variable";
        QTest::newRow("variable empty")
            << app << true << Entry::absent << Entry::executable << Entry::absent << "helpers";
        QTest::newRow("variable unset")
            << app << false << Entry::absent << Entry::executable << Entry::absent << "helpers";
        QTest::newRow("variable not executable")
            << app << true << Entry::plainFile << Entry::executable << Entry::absent << "helpers";
        QTest::newRow("variable is a folder")
            << app << true << Entry::folder << Entry::executable << Entry::absent << "helpers";
        QTest::newRow("variable dangling link")
            << app << true << Entry::danglingLink << Entry::executable << Entry::absent << "helpers";
        QTest::newRow("helpers link to executable")
            << app << false << Entry::absent << Entry::linkToExecutable << Entry::absent << "helpers";
        QTest::newRow("helpers folder named mivo")
            << other << false << Entry::absent << Entry::folder << Entry::executable << "auxiliary";
        QTest::newRow("helpers link to folder")
            << other << false << Entry::absent << Entry::linkToFolder << Entry::executable << "auxiliary";
        QTest::newRow("helpers not executable")
            << other << false << Entry::absent << Entry::plainFile << Entry::executable << "auxiliary";
        QTest::newRow("auxiliary is the application")
            << app << false << Entry::absent << Entry::absent << Entry::absent << "missing";
        QTest::newRow("auxiliary links to the application")
            << other << false << Entry::absent << Entry::absent << Entry::linkToApplication << "missing";
        QTest::newRow("auxiliary is a folder")
            << other << false << Entry::absent << Entry::absent << Entry::folder << "missing";
        QTest::newRow("auxiliary not executable")
            << other << false << Entry::absent << Entry::absent << Entry::plainFile << "missing";
        QTest::newRow("nothing anywhere")
            << other << true << Entry::plainFile << Entry::folder << Entry::absent << "missing";
    }
    void locate()
    {
        QFETCH(QString, bundleName);
        QFETCH(bool, setVariable);
        QFETCH(Entry, fromVariable);
        QFETCH(Entry, inHelpers);
        QFETCH(Entry, auxiliary);
        QFETCH(QString, expected);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString bundlePath = dir.filePath(bundleName);
        const QString appName = QFileInfo(bundleName).completeBaseName();
        const QString mainExecutable = bundlePath + "/Contents/MacOS/" + appName;
        QVERIFY(makeEntry(mainExecutable, Entry::executable));

        const QString variablePath = dir.filePath("elsewhere/mivo");
        const QString helpersPath = bundlePath + "/Contents/Helpers/mivo";
        const QString auxiliaryPath = bundlePath + "/Contents/MacOS/mivo";
        QVERIFY(makeEntry(variablePath, fromVariable));
        QVERIFY(makeEntry(helpersPath, inHelpers));
        if (appName != "mivo")
            QVERIFY(makeEntry(auxiliaryPath, auxiliary, mainExecutable));

        QHash<QString, QString> environment { { "HOME", dir.path() } };
        if (setVariable)
            environment.insert("MIVO_HELPER_PATH", fromVariable == Entry::absent ? QString() : variablePath);

        const Bundle bundle(bundlePath);
        QCOMPARE(bundle.mainExecutablePath(), std::optional<QString>(mainExecutable));
        try {
            const QString found = HelperLocator::locate(bundle, environment);
            const QHash<QString, QString> paths { { "variable", variablePath }, { "helpers", helpersPath },
                { "auxiliary", auxiliaryPath } };
            QCOMPARE(found, paths.value(expected, "(none)"));
        } catch (const HelperError& error) {
            QCOMPARE(error, HelperError::helperMissing());
            QCOMPARE(QString("missing"), expected);
        }
    }

    // A bundle without a main executable still offers its auxiliary executable.
    void auxiliaryWithoutMainExecutable()
    {
        QTemporaryDir dir;
        const QString bundlePath = dir.filePath("Bare.app");
        QVERIFY(makeEntry(bundlePath + "/Contents/MacOS/mivo", Entry::executable));
        const Bundle bundle(bundlePath);
        QVERIFY(!bundle.mainExecutablePath());
        QCOMPARE(HelperLocator::locate(bundle, {}), bundlePath + "/Contents/MacOS/mivo");
    }

    void bundleFromExecutable_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("bundle");
        QTest::newRow("inside a bundle") << "/opt/x/mivo.app/Contents/MacOS/mivo"
                                         << "/opt/x/mivo.app";
        QTest::newRow("folder not named .app") << "/opt/x/mivo/Contents/MacOS/mivo"
                                               << "/opt/x/mivo/Contents/MacOS";
        QTest::newRow("plain folder") << "/usr/bin/mivo"
                                      << "/usr/bin";
        QTest::newRow("dots in the path") << "/opt/x/../y/mivo.app/Contents/./MacOS/mivo"
                                          << "/opt/y/mivo.app";
    }
    void bundleFromExecutable()
    {
        QFETCH(QString, executable);
        QFETCH(QString, bundle);
        const Bundle found = Bundle::forExecutable(executable);
        QCOMPARE(found.bundlePath(), bundle);
        QCOMPARE(found.mainExecutablePath(), std::optional<QString>(QDir::cleanPath(executable)));
    }

    // The build lays the application out as a bundle with the helper inside.
    void builtBundleHoldsTheHelper()
    {
        const QString helper = test::standInHelperPath();
        const Bundle bundle(QFileInfo(helper).absoluteDir().filePath("../.."));
        QVERIFY(bundle.bundlePath().endsWith("mivo.app"));
        QCOMPARE(HelperLocator::locate(bundle, {}), QDir::cleanPath(helper));
    }
};

QTEST_GUILESS_MAIN(TestHelperLocator)
#include "tst_helperlocator.moc"
