#include "Views/Settings/GeneralSettings.h"

#include "App/AppModel.h"
#include "Services/LinuxUpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "Support/UserDefaults.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"
#include "Views/Settings/SwitchButton.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QPushButton>

namespace mivo {

namespace {

// Titles, translated where they are shown.
const QList<std::pair<const char*, AppAppearance>> kThemes {
    { QT_TRANSLATE_NOOP("mivo::GeneralSettings", "System"), AppAppearance::system },
    { QT_TRANSLATE_NOOP("mivo::GeneralSettings", "Light"), AppAppearance::light },
    { QT_TRANSLATE_NOOP("mivo::GeneralSettings", "Dark"), AppAppearance::dark },
};

// A version text the user can select and copy. The interface fonts of this
// system set digits at equal widths already.
FormText* versionText(const QString& text)
{
    auto* value = new FormText(text);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return value;
}

} // namespace

GeneralSettings::GeneralSettings(AppModel& model, UpdaterModel& updater, QWidget* parent)
    : GeneralSettings(model, updater, UserDefaults::standard(), parent)
{
}

GeneralSettings::GeneralSettings(
    AppModel& model, UpdaterModel& updater, UserDefaults& defaults, QWidget* parent)
    : SettingsPane(model, parent, Reads::nothing)
    , m_updater(updater)
    , m_defaults(defaults)
    , m_theme(new QComboBox)
    , m_reduceGlass(new SwitchButton(tr("Reduce glass effects")))
    , m_automaticChecks(new SwitchButton(tr("Check for updates automatically")))
    , m_cliVersion(versionText({}))
{
    SettingsSection* appearance = addSection(tr("Appearance"));
    for (const auto& [title, value] : kThemes)
        m_theme->addItem(tr(title), int(value));
    appearance->addLabeledRow(tr("Theme"), m_theme);
    appearance->addLabeledRow(tr("Reduce glass effects"), m_reduceGlass);
    connect(m_theme, &QComboBox::activated, this,
        [this](int index) { m_defaults.setAppAppearance(AppAppearance(m_theme->itemData(index).toInt())); });
    connect(m_reduceGlass, &SwitchButton::clicked, this,
        [this](bool on) { m_defaults.setReduceGlassEffects(on); });
    connect(&m_defaults, &UserDefaults::appAppearanceChanged, this, &GeneralSettings::refresh);
    connect(&m_defaults, &UserDefaults::reduceGlassEffectsChanged, this, &GeneralSettings::refresh);

    // Nothing checks for updates from inside the application on this system:
    // the switch is kept as stored but cannot be changed, and says why.
    SettingsSection* updates = addSection(tr("Updates"));
    updates->addLabeledRow(tr("Check for updates automatically"), m_automaticChecks);
    m_automaticChecks->setEnabled(false);
    auto* check = new QPushButton(tr("Check for Updates…"));
    connect(check, &QPushButton::clicked, this, [this] { m_updater.checkForUpdates(); });
    auto* checkBox = new QHBoxLayout;
    checkBox->addWidget(check);
    checkBox->addStretch(1);
    updates->addRow(checkBox);
    auto* unavailable
        = new FormText(LinuxUpdateFramework::unavailableText(), TextStyle::caption, ThemeColor::secondary());
    unavailable->setWordWrap(true);
    updates->addRow(unavailable);
    connect(&m_updater, &UpdaterModel::automaticallyChecksChanged, this, &GeneralSettings::refresh);

    SettingsSection* setup = addSection(tr("Setup"));
    auto* rerun = new QPushButton(tr("Re-run Setup Wizard…"));
    connect(rerun, &QPushButton::clicked, this, &GeneralSettings::rerunSetup);
    auto* rerunBox = new QVBoxLayout;
    auto* rerunLine = new QHBoxLayout;
    rerunLine->addWidget(rerun);
    rerunLine->addStretch(1);
    rerunBox->addLayout(rerunLine);
    auto* rerunText = new FormText(tr("Reconnect accounts and reconfigure sources, quality, and output."),
        TextStyle::caption, ThemeColor::secondary());
    rerunText->setWordWrap(true);
    rerunBox->addWidget(rerunText);
    setup->addRow(rerunBox);

    SettingsSection* about = addSection(tr("About"));
    about->addLabeledRow(tr("App version"), versionText(m_updater.currentVersion()));
    m_cliVersionRow = about->addLabeledRow(tr("CLI version"), m_cliVersion);
    auto* trademarks = new FormText(tr("Apple Music and Spotify are trademarks of their respective owners."),
        TextStyle::caption2, ThemeColor::tertiary());
    trademarks->setWordWrap(true);
    about->addRow(trademarks);
    connect(&model.cliTool(), &CLIToolStore::detectedVersionChanged, this, &GeneralSettings::refresh);

    finishForm();
    bindModel();
}

void GeneralSettings::refresh()
{
    const int theme = m_theme->findData(int(m_defaults.appAppearance()));
    m_theme->setCurrentIndex(theme < 0 ? 0 : theme);
    m_reduceGlass->setChecked(m_defaults.reduceGlassEffects());
    m_automaticChecks->setChecked(m_updater.automaticallyChecks());
    const std::optional<QString> cliVersion = model().cliTool().detectedVersion();
    m_cliVersion->setText(cliVersion.value_or(QString()));
    m_cliVersionRow->setVisible(cliVersion.has_value());
}

void GeneralSettings::rerunSetup()
{
    model().beginOnboarding(SetupCoordinator::Mode::reRun);
    if (QWidget* main = mainWindowToRaise()) {
        main->show();
        main->raise();
        main->activateWindow();
    }
}

QWidget* GeneralSettings::mainWindowToRaise()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMainWindow*>(window) || window->windowType() != Qt::Window)
            continue;
        if (window->windowTitle().contains(QStringLiteral("settings"), Qt::CaseInsensitive))
            continue;
        return window;
    }
    return nullptr;
}

} // namespace mivo
