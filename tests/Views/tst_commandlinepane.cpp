#include "App/AppModel.h"
#include "Services/CLIInstaller.h"
#include "Services/PkexecAdminRunner.h"
#include "TestSupport/ToolFolders.h"
#include "Views/Settings/CLIToolSettings.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

using namespace mivo;

namespace {

// Holds every administrator request until the test lets it go, and grants it.
class HeldAdminRunner : public AdminRunner {
public:
    QString run(const QString&, const QStringList&) override
    {
        ++calls;
        release.acquire();
        return {};
    }
    std::atomic<int> calls = 0;
    QSemaphore release;
};

// The tool's folders, with someone else's executable to place at the system path.
struct Folders : test::ToolFolders {
    explicit Folders(std::shared_ptr<AdminRunner> runner)
        : ToolFolders(std::move(runner), QStringLiteral("/usr/bin"))
    {
    }

    QString ranMarker() const { return root.filePath(QStringLiteral("foreign-ran")); }

    // Someone else's executable named mivo, which notes each time it is run.
    void placeForeignTool()
    {
        writeScript(installer->systemLinkPath(),
            QStringLiteral("touch '%1'; echo 'mivo 0.1'").arg(ranMarker()).toUtf8());
    }
};

QString footerText(CLIToolSettings& pane)
{
    return pane.actions()->footer()->text();
}

} // namespace

class CommandLinePaneTest : public QObject {
    Q_OBJECT

private slots:
    void aForeignExecutableIsNeverRun();
    void aLinkAtHomeToAnotherProgramIsNeverRun();
    void oneOperationAtATimeInTheProcess();
    void missingAdministratorRightsAreSaidInWords();
};

// Someone else's executable at the first tool path is shown, never run: the
// version comes from the link to this application's helper further on, and
// without one there is no version at all. Uninstall is not offered for it.
void CommandLinePaneTest::aForeignExecutableIsNeverRun()
{
    Folders f(std::make_shared<HeldAdminRunner>());
    f.placeForeignTool();
    QDir().mkpath(QFileInfo(f.installer->fallbackLinkPath()).path());
    QVERIFY(QFile::link(f.helper(), f.installer->fallbackLinkPath()));
    CLIToolSettings pane(*f.model, *f.installer);
    pane.show();

    QCOMPARE(
        f.model->cliTool().state(), CLIToolStore::State::fallbackInstalled(f.installer->fallbackLinkPath()));
    QTRY_COMPARE(f.model->cliTool().detectedVersion(), QStringLiteral("mivo 9.9"));
    QVERIFY(pane.uninstallButton()->isEnabled());
    QVERIFY(!pane.uninstallNote()->isVisible());

    QVERIFY(QFile::remove(f.installer->fallbackLinkPath()));
    f.model->cliTool().detect();
    QCOMPARE(f.model->cliTool().state(), CLIToolStore::State::foreignCopy(f.installer->systemLinkPath()));
    QCOMPARE(f.model->cliTool().detectedVersion(), std::nullopt);
    QCOMPARE(pane.installButton()->text(), QStringLiteral("Reinstall"));
    QVERIFY(!pane.uninstallButton()->isEnabled());
    QVERIFY(pane.uninstallNote()->isVisible());
    QCOMPARE(pane.uninstallNote()->text(), CLIToolSettings::foreignCopyText(f.installer->systemLinkPath()));
    QVERIFY(!QFile::exists(f.ranMarker()));
}

// A link at home to some other program is shown as someone else's: never run
// for its version, not offered for removal, and no word about PATH for it.
void CommandLinePaneTest::aLinkAtHomeToAnotherProgramIsNeverRun()
{
    Folders f(std::make_shared<HeldAdminRunner>());
    const QString program = f.root.filePath(QStringLiteral("tools/their-mivo"));
    f.writeScript(program, QStringLiteral("touch '%1'; echo 'theirs 1.0'").arg(f.ranMarker()).toUtf8());
    QVERIFY(QFile::link(program, f.installer->fallbackLinkPath()));
    CLIToolSettings pane(*f.model, *f.installer);
    pane.show();

    QCOMPARE(f.model->cliTool().state(), CLIToolStore::State::foreignCopy(f.installer->fallbackLinkPath()));
    QVERIFY(!pane.uninstallButton()->isEnabled());
    QVERIFY(pane.uninstallNote()->isVisible());
    QVERIFY(!pane.pathNote()->isVisible());
    QTest::qWait(0);
    QCOMPARE(f.model->cliTool().detectedVersion(), std::nullopt);
    QVERIFY(!QFile::exists(f.ranMarker()));
}

// While an install waits for the administrator prompt, a second pane (the
// Settings window opened again) offers nothing, and the one request stays one.
void CommandLinePaneTest::oneOperationAtATimeInTheProcess()
{
    auto runner = std::make_shared<HeldAdminRunner>();
    Folders f(runner);
    auto first = std::make_unique<CLIToolSettings>(*f.model, *f.installer);
    first->show();
    QVERIFY(first->installButton()->isEnabled());
    first->installButton()->click();
    QTRY_COMPARE(runner->calls.load(), 1);
    QVERIFY(f.model->cliTool().isBusy());
    first.reset(); // the window closed during the prompt

    CLIToolSettings second(*f.model, *f.installer);
    second.show();
    for (QPushButton* button : { second.installButton(), second.uninstallButton(), second.repairButton() })
        QVERIFY2(!button->isEnabled(), qPrintable(button->text()));
    second.repairButton()->click();

    runner->release.release();
    QTRY_VERIFY(!f.model->cliTool().isBusy());
    QVERIFY(second.installButton()->isEnabled());
    QCOMPARE(runner->calls.load(), 1);
}

// Without pkexec the link goes to ~/.local/bin and the pane says why in words,
// and that a shell will not find it there while the folder is not on PATH.
void CommandLinePaneTest::missingAdministratorRightsAreSaidInWords()
{
    QTemporaryDir nowhere;
    Folders f(std::make_shared<PkexecAdminRunner>(nowhere.filePath(QStringLiteral("pkexec"))));
    CLIToolSettings pane(*f.model, *f.installer);
    pane.show();
    QVERIFY(footerText(pane).startsWith(
        QStringLiteral("Installs a `mivo` symlink that tracks app updates automatically. ")));
    QVERIFY(!pane.pathNote()->isVisible());

    pane.installButton()->click();
    QTRY_VERIFY(!f.model->cliTool().isBusy());
    QCOMPARE(f.model->cliTool().state(), CLIToolStore::State::installedSymlink(f.helper()));
    QVERIFY2(footerText(pane).contains(PkexecAdminRunner::unavailableText()), qPrintable(footerText(pane)));
    QVERIFY(!footerText(pane).contains(QStringLiteral("execvp")));
    QVERIFY(pane.pathNote()->isVisible());
    QCOMPARE(pane.pathNote()->text(), CLIToolSettings::pathNoteText());
}

QTEST_MAIN(CommandLinePaneTest)
#include "tst_commandlinepane.moc"
