#include "App/AppModel.h"
#include "Services/CLIInstaller.h"
#include "TestSupport/ToolFolders.h"
#include "Views/Settings/CLIToolSettings.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

using namespace mivo;

namespace {

// Grants every administrator request once the test lets it go (the script
// runs with this user's rights), or refuses it then.
class HeldAdminRunner : public AdminRunner {
public:
    QString run(const QString& script, const QStringList& arguments) override
    {
        ++calls;
        release.acquire();
        if (refuses)
            throw InstallError::escalationFailed(QStringLiteral("Request dismissed"));
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), QStringList { "-c", script, "sh" } + arguments);
        shell.waitForFinished();
        return QString::fromUtf8(shell.readAllStandardOutput());
    }
    std::atomic<int> calls = 0;
    std::atomic<bool> refuses = false;
    QSemaphore release;
};

// The tool's folders, with the administrator's requests held until the test
// lets them go.
struct Place : test::ToolFolders {
    std::shared_ptr<HeldAdminRunner> runner;

    explicit Place(std::shared_ptr<HeldAdminRunner> held = std::make_shared<HeldAdminRunner>())
        : ToolFolders(held)
        , runner(std::move(held))
    {
    }

    // Lays out what a situation names in the two folders.
    void prepare(const QString& situation)
    {
        const QString system = installer->systemLinkPath();
        const QString fallback = installer->fallbackLinkPath();
        if (situation == u"link to this helper")
            QVERIFY(QFile::link(helper(), system));
        else if (situation == u"link to another helper")
            QVERIFY(QFile::link(otherHelper(), system));
        else if (situation == u"link to another program")
            QVERIFY(QFile::link(otherProgram(), system));
        else if (situation == u"link whose target is gone")
            QVERIFY(QFile::link(root.filePath(QStringLiteral("deleted/mivo-helper")), system));
        else if (situation == u"a file that is not a link")
            writeScript(system, "echo 'mivo 0.1'");
        else if (situation == u"a file, and a link at home") {
            writeScript(system, "echo 'mivo 0.1'");
            QVERIFY(QFile::link(helper(), fallback));
        } else if (situation == u"a link at home only")
            QVERIFY(QFile::link(helper(), fallback));
        else if (situation == u"a link at home whose target is gone")
            QVERIFY(QFile::link(root.filePath(QStringLiteral("deleted/mivo-helper")), fallback));
        else if (situation == u"a link at home to another program")
            QVERIFY(QFile::link(otherProgram(), fallback));
        else if (situation == u"links to another program at both") {
            QVERIFY(QFile::link(otherProgram(), system));
            QVERIFY(QFile::link(otherProgram(), fallback));
        } else if (situation == u"a file, and a link at home to another program") {
            writeScript(system, "echo 'mivo 0.1'");
            QVERIFY(QFile::link(otherProgram(), fallback));
        }
    }

    // A text with "<system>" and "<home>" standing for the two link paths.
    QString withPaths(QString text) const
    {
        return text.replace("<system>", installer->systemLinkPath())
            .replace("<home>", installer->fallbackLinkPath());
    }
};

// What the pane shows beside the row titled `label`; none while that row is hidden.
std::optional<QString> valueBeside(QWidget* pane, const QString& label)
{
    for (const QLabel* title : pane->findChildren<QLabel*>()) {
        const auto* value = qobject_cast<const QLabel*>(title->buddy());
        if (title->text() == label && value)
            return value->isVisibleTo(pane) ? std::optional(value->text()) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

class CommandLineStatesTest : public QObject {
    Q_OBJECT

private slots:
    void stateTable_data();
    void stateTable();
    void brokenLinkIsReplacedByInstall();
    void linkToAnotherProgramIsKeptByReinstall();
    void outcomeShowsInAPaneOpenedDuringThePrompt_data();
    void outcomeShowsInAPaneOpenedDuringThePrompt();
    void outcomeGoesWhenTheStateChanges();
    void repairWithNoRoomLeavesBothFiles();
};

// What the pane shows and offers in each situation of the tool's files, as
// the user opens it (before the first look the store knows nothing yet), and
// while an install waits for the administrator.
void CommandLineStatesTest::stateTable_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("shown"); // the pane shown, so that it looks at the files
    QTest::addColumn<bool>("installing");
    QTest::addColumn<QString>("state"); // "<system>" the system link, "<home>" the link at home
    QTest::addColumn<QString>("version"); // "" for no Version row
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("firstEnabled");
    QTest::addColumn<bool>("uninstallEnabled");
    QTest::addColumn<bool>("repairEnabled");
    // Why a button is not offered: "" no such row, "only <path>" Uninstall
    // for that path, "both" Reinstall and Uninstall for both paths.
    QTest::addColumn<QString>("reason");

    QTest::newRow("before the first look") << "link to this helper" << false << false << "Checking…"
                                           << ""
                                           << "Install" << true << false << true << "";
    QTest::newRow("nothing installed") << "" << true << false << "Not installed"
                                       << ""
                                       << "Install" << true << false << true << "";
    QTest::newRow("link to this helper") << "link to this helper" << true << false << "Installed"
                                         << "mivo 9.9"
                                         << "Reinstall" << true << true << true << "";
    QTest::newRow("link to another helper")
        << "link to another helper" << true << false << "Installed (update available)"
        << ""
        << "Reinstall" << true << true << true << "";
    // A link to some other program is someone else's, like a file: not run,
    // not removed; Reinstall puts the link at home instead.
    QTest::newRow("link to another program")
        << "link to another program" << true << false << "Other copy at <system>"
        << ""
        << "Reinstall" << true << false << true << "only <system>";
    // A link that leads nowhere is ours to replace or remove.
    QTest::newRow("link whose target is gone")
        << "link whose target is gone" << true << false << "Broken link"
        << ""
        << "Reinstall" << true << true << true << "";
    QTest::newRow("link at home whose target is gone")
        << "a link at home whose target is gone" << true << false << "Broken link"
        << ""
        << "Reinstall" << true << true << true << "";
    // Someone else's file is left alone: there is nothing of ours to remove.
    QTest::newRow("a file that is not a link")
        << "a file that is not a link" << true << false << "Other copy at <system>"
        << ""
        << "Reinstall" << true << false << true << "only <system>";
    QTest::newRow("a file, and the link at home")
        << "a file, and a link at home" << true << false << "Installed at <home>"
        << "mivo 9.9"
        << "Reinstall" << true << true << true << "";
    QTest::newRow("the link at home only") << "a link at home only" << true << false << "Installed"
                                           << "mivo 9.9"
                                           << "Reinstall" << true << true << true << "";
    // The system folder is still free for the link, given the rights.
    QTest::newRow("a link at home to another program")
        << "a link at home to another program" << true << false << "Other copy at <home>"
        << ""
        << "Reinstall" << true << false << true << "only <home>";
    // Nowhere left for a link: a Reinstall could only be refused.
    QTest::newRow("links to another program at both")
        << "links to another program at both" << true << false << "Other copy at <system>"
        << ""
        << "Reinstall" << false << false << true << "both";
    QTest::newRow("a file, and a link at home to another program")
        << "a file, and a link at home to another program" << true << false << "Other copy at <system>"
        << ""
        << "Reinstall" << false << false << true << "both";
    QTest::newRow("while an install runs") << "" << true << true << "Not installed"
                                           << ""
                                           << "Install" << false << false << false << "";
}

void CommandLineStatesTest::stateTable()
{
    QFETCH(QString, situation);
    QFETCH(bool, shown);
    QFETCH(bool, installing);
    QFETCH(QString, state);
    QFETCH(QString, version);
    QFETCH(QString, first);
    QFETCH(bool, firstEnabled);
    QFETCH(bool, uninstallEnabled);
    QFETCH(bool, repairEnabled);
    QFETCH(QString, reason);

    Place place;
    place.prepare(situation);
    // A failed check must not leave the install waiting: its thread would never end.
    const auto letGo = qScopeGuard([&place] { place.runner->release.release(); });
    CLIToolSettings pane(*place.model, *place.installer);
    if (shown)
        pane.show();
    if (installing) {
        pane.installButton()->click();
        QTRY_COMPARE(place.runner->calls.load(), 1);
    }

    QCOMPARE(pane.stateValue()->text(), place.withPaths(state));
    if (version.isEmpty()) {
        QTest::qWait(0);
        QCOMPARE(valueBeside(&pane, QStringLiteral("Version")), std::nullopt);
    } else {
        QTRY_COMPARE(valueBeside(&pane, QStringLiteral("Version")), std::optional(version));
    }
    QCOMPARE(pane.installButton()->text(), first);
    QCOMPARE(pane.installButton()->isEnabled(), firstEnabled);
    QCOMPARE(pane.uninstallButton()->isEnabled(), uninstallEnabled);
    QCOMPARE(pane.repairButton()->isEnabled(), repairEnabled);
    QCOMPARE(pane.uninstallNote()->isVisibleTo(&pane), !reason.isEmpty());
    if (reason == u"both") {
        QCOMPARE(pane.uninstallNote()->text(),
            CLIToolSettings::noRoomText(
                { place.installer->systemLinkPath(), place.installer->fallbackLinkPath() }));
    } else if (!reason.isEmpty()) {
        QCOMPARE(pane.uninstallNote()->text(),
            CLIToolSettings::foreignCopyText(place.withPaths(reason.mid(QStringLiteral("only ").size()))));
    }

    if (installing) {
        place.runner->release.release();
        QTRY_VERIFY(pane.installButton()->isEnabled());
    }
}

void CommandLineStatesTest::brokenLinkIsReplacedByInstall()
{
    Place place;
    place.prepare(QStringLiteral("link whose target is gone"));
    CLIToolSettings pane(*place.model, *place.installer);
    pane.show();
    place.runner->release.release();
    pane.installButton()->click();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    QCOMPARE(pane.stateValue()->text(), QStringLiteral("Installed"));
    QCOMPARE(QFile::symLinkTarget(place.installer->systemLinkPath()), place.helper());
    QVERIFY(pane.uninstallButton()->isEnabled());
}

// Reinstall over a link to another program keeps that link, links the helper
// at home instead and says why; Uninstall stays unavailable for it.
void CommandLineStatesTest::linkToAnotherProgramIsKeptByReinstall()
{
    Place place;
    place.prepare(QStringLiteral("link to another program"));
    CLIToolSettings pane(*place.model, *place.installer);
    pane.show();
    QVERIFY(!pane.uninstallButton()->isEnabled());
    QVERIFY(pane.uninstallNote()->isVisible());

    pane.installButton()->click();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    const QString system = place.installer->systemLinkPath();
    const QString home = place.installer->fallbackLinkPath();
    QCOMPARE(QFile::symLinkTarget(system), place.otherProgram());
    QCOMPARE(QFile::symLinkTarget(home), place.helper());
    QCOMPARE(place.runner->calls.load(), 0);
    QCOMPARE(place.model->cliTool().state(), CLIToolStore::State::fallbackInstalled(home));
    QCOMPARE(pane.actions()->footer()->text(),
        CLIToolSettings::fallbackText(
            home, system + QStringLiteral(" is someone else's file and was left as it is.")));
}

// How an install or uninstall ended shows in the Settings window opened again
// while the administrator prompt was up, after the pane that started it closed.
void CommandLineStatesTest::outcomeShowsInAPaneOpenedDuringThePrompt_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("installs"); // else uninstalls
    QTest::addColumn<bool>("refused");
    // "<explanation>", or "<home> " and the reason the link went home instead.
    QTest::addColumn<QString>("footer");
    QTest::addColumn<bool>("red");

    QTest::newRow("install granted") << "" << true << false << "<explanation>" << false;
    QTest::newRow("install refused: the link went home")
        << "" << true << true << "<home> Administrator authorization failed: Request dismissed." << false;
    QTest::newRow("uninstall refused") << "link to this helper" << false << true
                                       << "Administrator authorization failed: Request dismissed" << true;
}

void CommandLineStatesTest::outcomeShowsInAPaneOpenedDuringThePrompt()
{
    QFETCH(QString, situation);
    QFETCH(bool, installs);
    QFETCH(bool, refused);
    QFETCH(QString, footer);
    QFETCH(bool, red);

    Place place;
    place.prepare(situation);
    place.runner->refuses = refused;
    const auto letGo = qScopeGuard([&place] { place.runner->release.release(); });
    auto first = std::make_unique<CLIToolSettings>(*place.model, *place.installer);
    first->show();
    (installs ? first->installButton() : first->uninstallButton())->click();
    QTRY_COMPARE(place.runner->calls.load(), 1);
    first.reset();

    CLIToolSettings second(*place.model, *place.installer);
    second.show();
    place.runner->release.release();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    // The link's path as the pane shows it (abbreviated within the home folder).
    const QString home = QStringLiteral("<home> ");
    const QString expected = footer == u"<explanation>" ? CLIToolSettings::explanation()
        : footer.startsWith(home)
        ? CLIToolSettings::fallbackText(place.installer->fallbackLinkPath(), footer.mid(home.size()))
        : footer;
    QCOMPARE(second.actions()->footer()->text(), expected);
    QCOMPARE(second.actions()->footer()->color() == ThemeColor::red(), red);

    // A third window shows the same until the next operation begins.
    CLIToolSettings third(*place.model, *place.installer);
    third.show();
    QCOMPARE(third.actions()->footer()->text(), expected);
    place.runner->refuses = false;
    place.runner->release.release();
    third.repairButton()->click();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    QCOMPARE(third.actions()->footer()->text(), CLIToolSettings::explanation());
}

// A refused uninstall says so in red while the link it could not remove is
// there; once the link is gone (removed in a shell) the next look shows the
// new state with the plain explanation, not the old refusal.
void CommandLineStatesTest::outcomeGoesWhenTheStateChanges()
{
    Place place;
    place.prepare(QStringLiteral("link to this helper"));
    place.runner->refuses = true;
    place.runner->release.release();
    CLIToolSettings pane(*place.model, *place.installer);
    pane.show();
    pane.uninstallButton()->click();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    QCOMPARE(pane.stateValue()->text(), QStringLiteral("Installed"));
    QCOMPARE(pane.actions()->footer()->text(),
        QStringLiteral("Administrator authorization failed: Request dismissed"));
    QVERIFY(pane.actions()->footer()->color() == ThemeColor::red());

    pane.hide();
    pane.show();
    QCOMPARE(pane.actions()->footer()->text(),
        QStringLiteral("Administrator authorization failed: Request dismissed"));

    QVERIFY(QFile::remove(place.installer->systemLinkPath()));
    pane.hide();
    pane.show();
    QCOMPARE(pane.stateValue()->text(), QStringLiteral("Not installed"));
    QCOMPARE(pane.actions()->footer()->text(), CLIToolSettings::explanation());
    QVERIFY(pane.actions()->footer()->color() == ThemeColor::secondary());
}

// With someone else's file at both tool paths, Repair (still offered, as it
// always is) ends in the refusal Reinstall was spared, and both stay as they are.
void CommandLineStatesTest::repairWithNoRoomLeavesBothFiles()
{
    Place place;
    place.prepare(QStringLiteral("links to another program at both"));
    place.runner->release.release();
    CLIToolSettings pane(*place.model, *place.installer);
    pane.show();
    QVERIFY(!pane.installButton()->isEnabled());
    pane.repairButton()->click();
    QTRY_VERIFY(!place.model->cliTool().isBusy());
    QCOMPARE(QFile::symLinkTarget(place.installer->systemLinkPath()), place.otherProgram());
    QCOMPARE(QFile::symLinkTarget(place.installer->fallbackLinkPath()), place.otherProgram());
    QCOMPARE(place.runner->calls.load(), 0);
    QVERIFY(pane.actions()->footer()->color() == ThemeColor::red());
    QVERIFY2(pane.actions()->footer()->text().contains(place.installer->fallbackLinkPath()),
        qPrintable(pane.actions()->footer()->text()));
    QVERIFY(!pane.installButton()->isEnabled());
}

QTEST_MAIN(CommandLineStatesTest)
#include "tst_commandlinestates.moc"
