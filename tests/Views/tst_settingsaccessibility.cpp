#include "TestSupport/AccessibleTree.h"
#include "TestSupport/SettingsSession.h"

#include <QAbstractButton>
#include <QtTest>

using namespace mivo;
using test::AccessibleTree;
using test::HeardControl;
using Settings = test::SettingsSession;

Q_DECLARE_METATYPE(Settings::Pane)

// Settings as a screen reader reads it, pane by pane, over a configuration
// whose every value differs from the helper's defaults.
class SettingsAccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyPaneIsHeardAsItShows_data();
    void everyPaneIsHeardAsItShows();
    void onlyTheShownPaneIsInTheTree_data();
    void onlyTheShownPaneIsInTheTree();

private:
    std::unique_ptr<Settings> m_settings;
};

void SettingsAccessibilityTest::initTestCase()
{
    m_settings = std::make_unique<Settings>();
    QVERIFY(m_settings->open(Settings::general));
    QTRY_VERIFY(m_settings->session.model->settings() && m_settings->session.model->settings()->config());
}

void SettingsAccessibilityTest::cleanupTestCase()
{
    m_settings.reset();
}

void SettingsAccessibilityTest::everyPaneIsHeardAsItShows_data()
{
    QTest::addColumn<Settings::Pane>("pane");
    QTest::addColumn<HeardControl>("control");
    using R = QAccessible::Role;
    const auto on = [](const char* word) { return QStringList { QString::fromLatin1(word) }; };
    QTest::addRow("the window") << Settings::general
                                << HeardControl { R::Window, QStringLiteral("Settings"), {}, {}, {} };
    QTest::addRow("the tab row") << Settings::general
                                 << HeardControl { R::PageTabList, QString(), {}, {}, {} };
    QTest::addRow("the current tab") << Settings::general
                                     << HeardControl { R::PageTab, QStringLiteral("General"), {},
                                            on("selected"),
                                            { QStringLiteral("checked"), QStringLiteral("checkable") } };
    QTest::addRow("another tab") << Settings::general
                                 << HeardControl { R::PageTab, QStringLiteral("Diagnostics"), {}, {},
                                        on("selected") };
    QTest::addRow("the Theme pop-up")
        << Settings::general
        << HeardControl { R::ComboBox, QStringLiteral("Theme"), {}, on("collapsed"), {} };
    QTest::addRow("a switch") << Settings::general
                              << HeardControl { R::CheckBox, QStringLiteral("Reduce glass effects"), {}, {},
                                     on("checked") };
    QTest::addRow("a button") << Settings::general
                              << HeardControl { R::Button, QStringLiteral("Re-run Setup Wizard\u2026"), {},
                                     {}, {} };
    QTest::addRow("the version") << Settings::general
                                 << HeardControl { R::StaticText, QStringLiteral("0.1.0"), {}, {}, {} };
    QTest::addRow("Accounts' tab, chosen")
        << Settings::accounts
        << HeardControl { R::PageTab, QStringLiteral("Accounts"), {}, on("selected"), {} };
    QTest::addRow("the Spotify logo")
        << Settings::accounts << HeardControl { R::Graphic, QStringLiteral("Spotify"), {}, {}, {} };
    QTest::addRow("Disconnect") << Settings::accounts
                                << HeardControl { R::Button, QStringLiteral("Disconnect"), {}, {}, {} };
    QTest::addRow("the source list") << Settings::sources
                                     << HeardControl { R::List, QStringLiteral("Download sources"), {}, {},
                                            {} };
    QTest::addRow("a source switched on")
        << Settings::sources
        << HeardControl { R::ListItem, QStringLiteral("Enable Soulseek"), {}, on("checked"), {} };
    QTest::addRow("a source switched off")
        << Settings::sources
        << HeardControl { R::ListItem, QStringLiteral("Enable YouTube"), {}, {}, on("checked") };
    QTest::addRow("a stepper's button")
        << Settings::sources
        << HeardControl { R::Button, QStringLiteral("Increase Parallel downloads"), {}, {}, {} };
    QTest::addRow("the floor pop-up") << Settings::quality
                                      << HeardControl { R::ComboBox, QStringLiteral("Minimum quality floor"),
                                             QStringLiteral("FLAC (lossless)"), on("collapsed"), {} };
    QTest::addRow("a switch that is on")
        << Settings::quality
        << HeardControl { R::CheckBox, QStringLiteral("Lossless only"), {}, on("checked"), {} };
    QTest::addRow("the key field") << Settings::quality
                                   << HeardControl { R::EditableText, QStringLiteral("AcoustID API key"), {},
                                          {}, {} };
    QTest::addRow("Choose…") << Settings::output
                             << HeardControl { R::Button, QStringLiteral("Choose\u2026"), {}, {}, {} };
    QTest::addRow("the subscription field")
        << Settings::vpn << HeardControl { R::EditableText, QStringLiteral("Subscription URL"), {}, {}, {} };
    QTest::addRow("Save, nothing typed")
        << Settings::vpn << HeardControl { R::Button, QStringLiteral("Save"), {}, on("disabled"), {} };
    QTest::addRow("Install") << Settings::commandLine
                             << HeardControl { R::Button, QStringLiteral("Install"), {}, {}, {} };
    QTest::addRow("Run All") << Settings::diagnostics
                             << HeardControl { R::Button, QStringLiteral("Run All"), {}, {}, {} };
}

void SettingsAccessibilityTest::everyPaneIsHeardAsItShows()
{
    QFETCH(Settings::Pane, pane);
    QFETCH(HeardControl, control);
    m_settings->window->setCurrentPane(pane);
    const AccessibleTree tree(m_settings->window.get());
    test::verifyHeard(tree, control);
}

void SettingsAccessibilityTest::onlyTheShownPaneIsInTheTree_data()
{
    QTest::addColumn<Settings::Pane>("pane");
    for (int pane = Settings::general; pane <= Settings::diagnostics; ++pane)
        QTest::addRow("%d", pane) << Settings::Pane(pane);
}

// Whichever pane shows, the tree holds it and no other, nothing hidden and no
// control without a name; exactly one tab is selected, the shown pane's.
void SettingsAccessibilityTest::onlyTheShownPaneIsInTheTree()
{
    QFETCH(Settings::Pane, pane);
    m_settings->window->setCurrentPane(pane);
    const AccessibleTree tree(m_settings->window.get());
    test::verifyEveryNodeShowsAndEveryControlIsNamed(tree);
    for (int other = 0; other < m_settings->window->paneCount(); ++other)
        QCOMPARE(tree.contains(m_settings->window->pane(other)), other == pane);
    int selected = 0;
    for (QAccessibleInterface* node : tree.all()) {
        QVERIFY(node->role() != QAccessible::CheckBox
            || node->text(QAccessible::Name) != m_settings->window->tabButton(pane)->text());
        if (node->role() == QAccessible::PageTab && node->state().selected) {
            ++selected;
            QCOMPARE(node->text(QAccessible::Name), m_settings->window->tabButton(pane)->text());
        }
    }
    QCOMPARE(selected, 1);
}

QTEST_MAIN(SettingsAccessibilityTest)
#include "tst_settingsaccessibility.moc"
