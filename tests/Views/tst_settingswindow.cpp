#include "Base/WorkerPool.h"
#include "Styling/StatusPill.h"
#include "Styling/ThemeColor.h"
#include "Support/SubscriptionAddress.h"
#include "TestSupport/PaneModel.h"
#include "TestSupport/SettingsSession.h"
#include "TestSupport/ToolFolders.h"
#include "Views/Settings/AccountsSettings.h"
#include "Views/Settings/CLIToolSettings.h"
#include "Views/Settings/DiagnosticsSettings.h"
#include "Views/Settings/DoctorCheckDelegate.h"
#include "Views/Settings/DoctorCheckModel.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/ProxySettings.h"
#include "Views/Settings/SettingsSection.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

using namespace mivo;
using Settings = test::SettingsSession;
using test::button;

namespace {

// Whether a label reading `text` shows in `pane`.
bool labelShown(QWidget* pane, const QString& text)
{
    for (const QLabel* label : pane->findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(pane))
            return true;
    }
    return false;
}

bool pillShown(QWidget* pane, const QString& text)
{
    for (const StatusPill* pill : pane->findChildren<StatusPill*>()) {
        if (pill->text() == text && pill->isVisibleTo(pane))
            return true;
    }
    return false;
}

// How light the middle of a window is drawn, 0 to 255.
int lightness(QWidget* window)
{
    const QImage image = window->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2).lightness();
}

} // namespace

// The Settings window as the application opens it, over a configuration the
// stand-in helper already holds.
class SettingsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void accountsShowAStoredAppleMusicAccount();
    void vpnRefusesWhatIsNoAddress();
    void outputChoosesFromTheStoredFolder();
    void commandLineNeverRunsAForeignTool();
    void themeRepaintsTheOpenWindows();
    void closesFromTheKeyboard_data();
    void closesFromTheKeyboard();
    void diagnosticsShowEveryCheckOnceScrolled();
    void escapeOnAnOpenPopupClosesOnlyThePopup();
};

// Connected beats what this system lacks: the account shows as connected and
// can be disconnected; only then does the row say sign-in is not offered here.
void SettingsWindowTest::accountsShowAStoredAppleMusicAccount()
{
    nlohmann::json config = test::StandInSession::storedConfig();
    config["appleMusicConnected"] = true;
    Settings s({}, config);
    QVERIFY(s.open(Settings::accounts));
    auto* pane = s.pane<AccountsSettings>(Settings::accounts);
    QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
    auto* apple = pane->findChild<SettingsSection*>();
    QVERIFY(pillShown(apple, QStringLiteral("Connected")));
    QVERIFY(!apple->footer()->isVisibleTo(pane));
    // The Music app's consent, as the platform layer reports it, has not been asked for.
    QVERIFY(pillShown(apple, QStringLiteral("Not enabled")));
    QVERIFY(button(apple, QStringLiteral("Grant Access…"))->isVisibleTo(pane));

    QPushButton* disconnect = button(apple, QStringLiteral("Disconnect"));
    QVERIFY(disconnect && disconnect->isEnabled());
    disconnect->click();
    QTRY_VERIFY_WITH_TIMEOUT(!s.session.model->settings()->appleMusicConnected(), 20000);
    QVERIFY(!pillShown(apple, QStringLiteral("Connected")));
    QCOMPARE(disconnect->text(), QStringLiteral("Connect"));
    QVERIFY(!disconnect->isEnabled());
    QCOMPARE(apple->footer()->text(), AccountsSettings::cloudUnavailableText());
    QVERIFY(!nlohmann::json::parse(s.session.storedBytes().toStdString()).value("appleMusicConnected", true));
}

// A subscription that is no address is refused under the field and never
// reaches the helper.
void SettingsWindowTest::vpnRefusesWhatIsNoAddress()
{
    Settings s;
    const QByteArray before = s.session.storedBytes();
    QVERIFY(s.open(Settings::vpn));
    auto* pane = s.pane<ProxySettings>(Settings::vpn);
    QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);

    QTest::keyClicks(pane->subscriptionField(), QStringLiteral("not a url"));
    QTest::keyClick(pane->subscriptionField(), Qt::Key_Return);
    QVERIFY(pane->refusalText()->isVisible());
    QCOMPARE(pane->refusalText()->text(), SubscriptionAddress::refusalText());
    pane->primaryButton()->click();
    QCOMPARE(pane->subscriptionField()->text(), QStringLiteral("not a url"));

    QVERIFY(s.session.helperCaughtUp());
    QVERIFY(!s.session.model->settings()->proxyConfigured());
    QCOMPARE(s.session.storedBytes(), before);
}

// "Choose…" opens at the stored folder ("~" being the session's home), the
// writable check runs again each time the pane is shown, and the folder
// chosen is written.
void SettingsWindowTest::outputChoosesFromTheStoredFolder()
{
    Settings s;
    const QDir home(s.session.home());
    QVERIFY(home.mkpath(QStringLiteral("MyDJ")));
    QVERIFY(home.mkpath(QStringLiteral("Crates")));
    QVERIFY(s.open(Settings::output));
    auto* pane = s.pane<OutputSettings>(Settings::output);
    QTRY_VERIFY_WITH_TIMEOUT(pane->chooseButton()->isEnabled(), 20000);
    QCOMPARE(pane->pathText()->text(), QStringLiteral("~/MyDJ"));
    QCOMPARE(pane->section()->footer()->text(), QStringLiteral("Folder is writable."));

    QVERIFY(QDir(home.filePath(QStringLiteral("MyDJ"))).removeRecursively());
    s.window->setCurrentPane(Settings::quality);
    s.window->setCurrentPane(Settings::output);
    QCOMPARE(pane->section()->footer()->text(), QStringLiteral("Folder is not writable."));
    QVERIFY(home.mkpath(QStringLiteral("MyDJ")));

    // The chooser is modal: it is answered from inside its own event loop.
    QString openedAt;
    QTimer answer;
    answer.setInterval(0);
    connect(&answer, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.stop();
        openedAt = dialog->directory().absolutePath();
        dialog->selectFile(home.filePath(QStringLiteral("Crates")));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    answer.start();
    pane->chooseButton()->click();
    QCOMPARE(openedAt, home.filePath(QStringLiteral("MyDJ")));
    QTRY_COMPARE_WITH_TIMEOUT(s.session.model->settings()->config()->outputDir,
        std::optional(home.filePath(QStringLiteral("Crates"))), 20000);
    QCOMPARE(pane->pathText()->text(), QStringLiteral("~/Crates"));
    QCOMPARE(pane->section()->footer()->text(), QStringLiteral("Folder is writable."));
}

// Someone else's executable at the tool path is shown as such and never run:
// no version in Command Line nor in General, and no Uninstall.
void SettingsWindowTest::commandLineNeverRunsAForeignTool()
{
    Settings s;
    const QString tool = QDir(s.session.home()).filePath(QStringLiteral("bin/mivo"));
    const QString ran = QDir(s.session.home()).filePath(QStringLiteral("foreign-ran"));
    test::ToolFolders::writeScript(tool, QStringLiteral("touch '%1'; echo 'mivo 0.1'").arg(ran).toUtf8());
    QVERIFY(s.open(Settings::commandLine));
    auto* pane = s.pane<CLIToolSettings>(Settings::commandLine);
    QVERIFY(pane);
    // A version question, had one been asked, has ended and been answered.
    WorkerPool::waitForDone();
    QCoreApplication::processEvents();

    QCOMPARE(s.session.model->cliTool().state(), CLIToolStore::State::foreignCopy(tool));
    QVERIFY(!QFile::exists(ran));
    QCOMPARE(s.session.model->cliTool().detectedVersion(), std::nullopt);
    QVERIFY(!labelShown(pane, QStringLiteral("Version")));
    QVERIFY(!pane->uninstallButton()->isEnabled());
    QVERIFY(pane->uninstallNote()->isVisibleTo(pane));
    QCOMPARE(pane->uninstallNote()->text(), CLIToolSettings::foreignCopyText(tool));
    s.window->setCurrentPane(Settings::general);
    QVERIFY(!labelShown(s.window->pane(Settings::general), QStringLiteral("CLI version")));
}

// A theme picked in General repaints the main window and the Settings window
// at once, in the other palette; "System" gives the desktop's palette back.
void SettingsWindowTest::themeRepaintsTheOpenWindows()
{
    Settings s;
    QVERIFY(s.open(Settings::general));
    QWidget* main = s.session.window.get();
    SettingsWindow* settings = s.window.get();
    const QColor desktop = QApplication::palette().color(QPalette::Window);
    auto* picker = s.window->pane(Settings::general)->findChild<QComboBox*>();
    QVERIFY(picker);
    const auto pick = [picker](const QString& theme) {
        const int index = picker->findText(theme);
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    };

    pick(QStringLiteral("Dark"));
    QTRY_VERIFY(ThemeColor::isDark(main->palette()) && ThemeColor::isDark(settings->palette()));
    QVERIFY2(lightness(main) < 100, qPrintable(QString::number(lightness(main))));
    QVERIFY2(lightness(settings) < 100, qPrintable(QString::number(lightness(settings))));

    pick(QStringLiteral("Light"));
    QTRY_VERIFY(!ThemeColor::isDark(main->palette()) && !ThemeColor::isDark(settings->palette()));
    QVERIFY2(lightness(main) > 150, qPrintable(QString::number(lightness(main))));
    QVERIFY2(lightness(settings) > 150, qPrintable(QString::number(lightness(settings))));

    pick(QStringLiteral("System"));
    QTRY_COMPARE(main->palette().color(QPalette::Window), desktop);
    QCOMPARE(settings->palette().color(QPalette::Window), desktop);
}

void SettingsWindowTest::closesFromTheKeyboard_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("close") << QKeySequence(QKeySequence::Close);
    QTest::newRow("escape") << QKeySequence(Qt::Key_Escape);
}

// The window's Close keys and Escape close it, from wherever the focus is in
// it, a text field included; the main window stays.
void SettingsWindowTest::closesFromTheKeyboard()
{
    QFETCH(QKeySequence, keys);
    Settings s;
    QVERIFY(s.open(Settings::vpn));
    auto* pane = s.pane<ProxySettings>(Settings::vpn);
    QTRY_VERIFY_WITH_TIMEOUT(pane->subscriptionField()->isEnabled(), 20000);
    s.window->activateWindow();
    pane->subscriptionField()->setFocus();
    QTRY_VERIFY(pane->subscriptionField()->hasFocus());

    QTest::keySequence(QApplication::focusWidget(), keys);
    QTRY_VERIFY(!s.window->isVisible());
    QVERIFY(s.session.window->isVisible());
}

// After "Run All" the stand-in's seven checks lie in the list as tall as they
// are drawn at the list's width: the list never scrolls inside its card, the
// pane scrolls as a whole, and scrolled to any check it shows the whole row
// with its Fix button. (The list once kept the height it had before it was
// laid out, cutting the last check in half behind a wheel-only scroll.)
void SettingsWindowTest::diagnosticsShowEveryCheckOnceScrolled()
{
    // At a larger text size, where seven checks are more than the pane shows.
    const QFont before = QApplication::font();
    const auto restore = qScopeGuard([before] { QApplication::setFont(before); });
    QFont larger = before;
    larger.setPointSizeF(before.pointSizeF() * 1.25);
    QApplication::setFont(larger);
    Settings s;
    QVERIFY(s.open(Settings::diagnostics));
    auto* pane = s.pane<DiagnosticsSettings>(Settings::diagnostics);
    pane->runAllButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(pane->checksModel()->rowCount(), 7, 20000);
    QListView* list = pane->list();
    QTRY_VERIFY(list->isVisible());
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    QVERIFY2(pane->verticalScrollBar()->maximum() > 0, "seven checks are more than the pane shows at once");
    auto* delegate = qobject_cast<DoctorCheckDelegate*>(list->itemDelegate());
    QVERIFY(delegate);

    int fixable = 0;
    int previousBottom = -1;
    for (int row = 0; row < pane->checksModel()->rowCount(); ++row) {
        const QModelIndex index = pane->checksModel()->index(row);
        const QString title = index.data(DoctorCheckModel::TitleRole).toString();
        const QRect rect = list->visualRect(index);
        // In the list as it is, below the row before, as tall as it is drawn.
        QVERIFY2(list->viewport()->rect().contains(rect), qPrintable(title));
        QVERIFY2(rect.top() > previousBottom, qPrintable(title));
        previousBottom = rect.bottom();
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = rect;
        option.widget = list;
        QCOMPARE(delegate->sizeHint(option, index).height(), rect.height());

        const QPoint inForm = list->viewport()->mapTo(pane->widget(), rect.center());
        pane->ensureVisible(inForm.x(), inForm.y(), 0, rect.height() / 2 + 1);
        const QRect shown(list->viewport()->mapTo(pane->viewport(), rect.topLeft()), rect.size());
        QVERIFY2(pane->viewport()->rect().contains(shown), qPrintable(title));
        if (index.data(DoctorCheckModel::FixableRole).toBool()) {
            ++fixable;
            QVERIFY2(rect.contains(delegate->fixButtonRect(option)), qPrintable(title));
        }
    }
    QVERIFY(fixable > 0);
    QCOMPARE(list->verticalScrollBar()->maximum(), 0);

    // The wheel over the list passes on to the pane, which scrolls; the rows
    // stay where they are in the list.
    const QPoint over = list->viewport()->rect().center();
    QWheelEvent wheel(over, list->viewport()->mapToGlobal(over), QPoint(), QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &wheel);
    QVERIFY(!wheel.isAccepted());
    QCOMPARE(list->verticalScrollBar()->value(), 0);
}

// Escape on an open pop-up list closes the list, and Settings stays open with
// the keyboard on the pop-up button; the next Escape closes Settings.
void SettingsWindowTest::escapeOnAnOpenPopupClosesOnlyThePopup()
{
    Settings s;
    QVERIFY(s.open(Settings::general));
    QComboBox* theme = s.window->pane(Settings::general)->findChild<QComboBox*>();
    QVERIFY(theme);
    s.window->activateWindow();
    theme->setFocus();
    QTRY_VERIFY(theme->hasFocus());
    theme->showPopup();
    QWidget* popup = theme->view()->window();
    QTRY_VERIFY(popup->isVisible());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!popup->isVisible());
    QCoreApplication::processEvents();
    QVERIFY(s.window->isVisible());

    // (This platform leaves the list's window active; a desktop's gives the
    // window back.)
    QApplication::setActiveWindow(s.window.get());
    theme->setFocus();
    QTRY_VERIFY(theme->hasFocus());
    QTest::keyClick(theme, Qt::Key_Escape);
    QTRY_VERIFY(!s.window->isVisible());
}

QTEST_MAIN(SettingsWindowTest)
#include "tst_settingswindow.moc"
