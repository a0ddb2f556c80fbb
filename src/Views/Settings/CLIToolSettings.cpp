#include "Views/Settings/CLIToolSettings.h"

#include "App/AppModel.h"
#include "Base/Overloaded.h"
#include "Services/CLIInstaller.h"
#include "Styling/ButtonStyling.h"
#include "Support/HomePath.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/SettingsSection.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>

namespace mivo {

namespace {

QString installErrorText(const std::exception& error)
{
    if (const auto* install = dynamic_cast<const InstallError*>(&error))
        return install->userText();
    return QString::fromUtf8(error.what());
}

QHBoxLayout* leading(QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch(1);
    return row;
}

} // namespace

CLIToolSettings::CLIToolSettings(AppModel& model, QWidget* parent)
    : CLIToolSettings(model, CLIInstaller::shared(), parent)
{
}

CLIToolSettings::CLIToolSettings(AppModel& model, const CLIInstaller& installer, QWidget* parent)
    : SettingsPane(model, parent, Reads::nothing)
    , m_installer(installer)
    , m_state(new FormText)
    , m_version(new FormText)
    , m_install(new QPushButton(tr("Install")))
    , m_uninstall(new QPushButton(tr("Uninstall")))
    , m_repair(new QPushButton(tr("Repair")))
    , m_uninstallNote(new FormText({}, TextStyle::caption, ThemeColor::secondary()))
    , m_pathNote(new FormText(pathNoteText(), TextStyle::caption, ThemeColor::secondary()))
{
    SettingsSection* status = addSection(tr("Status"));
    status->addLabeledRow(tr("State"), m_state);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_versionRow = status->addLabeledRow(tr("Version"), m_version);

    m_actions = addSection();
    m_actions->addRow(leading(m_install));
    ButtonStyling::setStyle(m_uninstall, ButtonStyle::bordered);
    ButtonStyling::setTint(m_uninstall, ThemeColor::red());
    m_actions->addRow(leading(m_uninstall));
    m_uninstallNote->setWordWrap(true);
    m_uninstallNote->setTextFormat(Qt::PlainText);
    m_uninstallNoteRow = m_actions->addRow(m_uninstallNote);
    m_actions->addRow(leading(m_repair));
    m_pathNote->setWordWrap(true);
    m_pathNote->setTextFormat(Qt::MarkdownText);
    m_pathNoteRow = m_actions->addRow(m_pathNote);
    connect(m_install, &QPushButton::clicked, this, [this] { install(); });
    connect(m_repair, &QPushButton::clicked, this, [this] { install(); });
    connect(m_uninstall, &QPushButton::clicked, this, [this] { uninstall(); });

    CLIToolStore& tool = model.cliTool();
    connect(&tool, &CLIToolStore::stateChanged, this, &CLIToolSettings::refresh);
    connect(&tool, &CLIToolStore::detectedVersionChanged, this, &CLIToolSettings::refresh);
    connect(&tool, &CLIToolStore::isBusyChanged, this, &CLIToolSettings::refresh);
    connect(&tool, &CLIToolStore::lastNoteChanged, this, &CLIToolSettings::refresh);
    connect(&tool, &CLIToolStore::keptPathsChanged, this, &CLIToolSettings::refresh);

    finishForm();
    bindModel();
}

QString CLIToolSettings::stateText(const CLIToolStore::State& state)
{
    using State = CLIToolStore::State;
    return std::visit(
        Overloaded {
            [](const State::InstalledSymlink&) { return tr("Installed"); },
            [](const State::ForeignCopy& copy) { return tr("Other copy at %1").arg(copy.path); },
            [](const State::FallbackInstalled& fallback) { return tr("Installed at %1").arg(fallback.path); },
            [](const State::Unknown&) { return tr("Checking…"); },
            [](const State::NotInstalled&) { return tr("Not installed"); },
            [](const State::InstalledSymlinkStale&) { return tr("Installed (update available)"); },
            [](const State::Dangling&) { return tr("Broken link"); },
        },
        state.value);
}

bool CLIToolSettings::isInstalled(const CLIToolStore::State& state)
{
    return !std::holds_alternative<CLIToolStore::State::Unknown>(state.value)
        && !std::holds_alternative<CLIToolStore::State::NotInstalled>(state.value);
}

QString CLIToolSettings::explanation()
{
    return tr("Installs a `mivo` symlink that tracks app updates automatically. "
              "It goes in `/usr/local/bin`, or in `~/.local/bin` when administrator rights "
              "are not given.");
}

QString CLIToolSettings::foreignCopyText(const QString& path)
{
    return tr("Uninstall is not available: %1 is not a link to mivo, so it is left as it is.").arg(path);
}

QString CLIToolSettings::noRoomText(const QStringList& paths)
{
    return tr("Reinstall and Uninstall are not available: %1 are not links to mivo, so they are left as "
              "they are.")
        .arg(paths.join(tr(" and ")));
}

QString CLIToolSettings::pathNoteText()
{
    return tr("`~/.local/bin` is not on your `PATH`: a shell finds `mivo` there only once you add it.");
}

bool CLIToolSettings::isBusy() const
{
    return model().cliTool().isBusy();
}

void CLIToolSettings::refresh()
{
    const CLIToolStore& tool = model().cliTool();
    const CLIToolStore::State state = tool.state();
    m_state->setText(stateText(state));
    const std::optional<QString> version = tool.detectedVersion();
    m_version->setText(version.value_or(QString()));
    m_versionRow->setVisible(version.has_value());

    const bool busy = tool.isBusy();
    const auto* foreign = std::get_if<CLIToolStore::State::ForeignCopy>(&state.value);
    // With someone else's file at both places of the installer's, an install
    // has nowhere to put its link and could only be refused.
    const QStringList places { m_installer.systemLinkPath(), m_installer.fallbackLinkPath() };
    const QStringList kept = tool.keptPaths();
    const bool noRoom = foreign && kept.contains(places[0]) && kept.contains(places[1]);
    m_install->setText(isInstalled(state) ? tr("Reinstall") : tr("Install"));
    m_install->setEnabled(!busy && !noRoom);
    // Uninstall removes links only; someone else's file would stay, so it is not offered.
    m_uninstall->setEnabled(!busy && isInstalled(state) && !foreign);
    m_repair->setEnabled(!busy);
    m_uninstallNote->setText(noRoom ? noRoomText(places)
            : foreign               ? foreignCopyText(foreign->path)
                                    : QString());
    m_uninstallNoteRow->setVisible(foreign != nullptr);
    // A link in the fallback folder is found by a shell only through PATH.
    // Only for a link of ours: someone else's program there is no concern of this pane.
    const QString fallbackLink = m_installer.fallbackLinkPath();
    m_pathNoteRow->setVisible(QFileInfo(fallbackLink).isSymLink()
        && CLIInstaller::ownerOfLink(fallbackLink, tool.preferredTarget())
            != CLIInstaller::LinkOwner::someoneElse
        && !m_installer.localBinOnPath());

    // Only the fixed explanation is Markdown; texts made of paths and
    // messages are shown as they are.
    const std::optional<CLIToolStore::Note> note = tool.lastNote();
    FormText* footer = m_actions->footer();
    footer->setTextFormat(note ? Qt::PlainText : Qt::MarkdownText);
    footer->setColor(note && note->isError ? ThemeColor::red() : ThemeColor::secondary());
    m_actions->setFooterText(note ? note->text : explanation());
}

void CLIToolSettings::showEvent(QShowEvent* event)
{
    SettingsPane::showEvent(event);
    if (!event->spontaneous())
        model().cliTool().detect();
}

QString CLIToolSettings::fallbackText(const QString& link, const QString& reason)
{
    return tr("Installed at %1 instead. %2").arg(HomePath::abbreviate(link), reason);
}

// The outcome goes to the store, not to this pane: the window may close while
// the administrator prompt is open, and the next one shows how it ended.
QCoro::Task<void> CLIToolSettings::install()
{
    const QPointer<CLIToolStore> tool(&model().cliTool());
    if (!tool->beginWork())
        co_return;
    std::optional<CLIToolStore::Note> note;
    try {
        QCoro::Task<CLIInstaller::Installation> work = m_installer.install();
        const CLIInstaller::Installation installed = co_await std::move(work);
        if (installed.fallbackReason)
            note = CLIToolStore::Note { fallbackText(
                installed.link.toLocalFile(), *installed.fallbackReason) };
    } catch (const std::exception& error) {
        note = CLIToolStore::Note { installErrorText(error), true };
    }
    // Ended even when the pane went meanwhile: the next one may start again.
    if (tool)
        tool->endWork(std::move(note));
}

QCoro::Task<void> CLIToolSettings::uninstall()
{
    const QPointer<CLIToolStore> tool(&model().cliTool());
    if (!tool->beginWork())
        co_return;
    std::optional<CLIToolStore::Note> note;
    try {
        QCoro::Task<void> work = m_installer.uninstall();
        co_await std::move(work);
    } catch (const std::exception& error) {
        note = CLIToolStore::Note { installErrorText(error), true };
    }
    if (tool)
        tool->endWork(std::move(note));
}

} // namespace mivo
