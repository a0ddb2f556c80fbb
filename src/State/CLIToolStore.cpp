#include "State/CLIToolStore.h"

#include "Base/Bundle.h"
#include "Services/CLIInstaller.h"
#include "Transport/HelperError.h"
#include "Transport/HelperLocator.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <filesystem>
#include <system_error>

namespace mivo {

namespace {

std::filesystem::path toFileSystemPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// Whether there is anything at `path`, a link itself included, whether its
// destination exists or not.
bool entryExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found
        && !error;
}

} // namespace

CLIToolStore::Context CLIToolStore::Context::system()
{
    Context context;
    context.toolPaths
        = { QStringLiteral("/usr/local/bin/mivo"), QDir::homePath() + QStringLiteral("/.local/bin/mivo") };
    context.preferredTarget = []() -> std::optional<QString> {
        try {
            return HelperLocator::locate(Bundle::main(), HelperLocator::processEnvironment());
        } catch (const HelperError&) {
            return std::nullopt;
        }
    };
    context.readVersion = [](const QString& path) { return CLIInstaller::shared().versionOf(path); };
    return context;
}

CLIToolStore::CLIToolStore(QObject* parent)
    : CLIToolStore(Context::system(), parent)
{
}

CLIToolStore::CLIToolStore(Context context, QObject* parent)
    : QObject(parent)
    , m_context(std::move(context))
{
}

std::optional<QString> CLIToolStore::preferredTarget() const
{
    return m_context.preferredTarget ? m_context.preferredTarget() : std::nullopt;
}

void CLIToolStore::detect()
{
    QString inspected;
    setState(inspect(inspected));
    const QStringList kept = inspectKept();
    if (m_keptPaths != kept) {
        m_keptPaths = kept;
        // What the last operation said is about the files it found.
        setLastNote(std::nullopt);
        emit keptPathsChanged();
    }
    const quint64 generation = ++m_detection;
    // Only a link to this application's helper is run: a file of someone
    // else's, or a link to another program, could do anything.
    std::optional<QString> ours;
    if (std::holds_alternative<State::InstalledSymlink>(m_state.value))
        ours = inspected;
    else if (const auto* fallback = std::get_if<State::FallbackInstalled>(&m_state.value))
        ours = fallback->path;
    if (!ours || !m_context.readVersion) {
        setDetectedVersion(std::nullopt);
        return;
    }
    readVersion(*ours, generation);
}

bool CLIToolStore::beginWork()
{
    if (m_busy)
        return false;
    m_busy = true;
    setLastNote(std::nullopt);
    emit isBusyChanged();
    return true;
}

void CLIToolStore::endWork(std::optional<Note> note)
{
    // The note speaks of the state this detection finds.
    detect();
    setLastNote(std::move(note));
    if (!m_busy)
        return;
    m_busy = false;
    emit isBusyChanged();
}

QCoro::Task<void> CLIToolStore::readVersion(QString path, quint64 generation)
{
    const QPointer<CLIToolStore> self(this);
    QCoro::Task<std::optional<QString>> asked = m_context.readVersion(path);
    std::optional<QString> version = co_await std::move(asked);
    if (self && self->m_detection == generation)
        self->setDetectedVersion(std::move(version));
}

CLIToolStore::State CLIToolStore::inspect(QString& inspected) const
{
    std::optional<std::filesystem::path> found;
    QString foundText;
    qsizetype foundIndex = 0;
    for (const QString& candidate : m_context.toolPaths) {
        const std::filesystem::path path = toFileSystemPath(candidate);
        if (entryExists(path)) {
            found = path;
            foundText = candidate;
            inspected = candidate;
            break;
        }
        ++foundIndex;
    }
    if (!found)
        return State::notInstalled();

    const std::optional<QString> helper = preferredTarget();
    std::error_code error;
    const std::filesystem::path destination = std::filesystem::read_symlink(*found, error);
    if (!error) {
        const QString destinationText = fromPath(destination);
        switch (CLIInstaller::ownerOfLink(foundText, helper)) {
        case CLIInstaller::LinkOwner::helper:
            if (helper && *helper == destinationText)
                return State::installedSymlink(destinationText);
            return State::installedSymlinkStale();
        case CLIInstaller::LinkOwner::missing:
            return State::dangling();
        case CLIInstaller::LinkOwner::someoneElse:
            // A link to another program is someone else's, like a file.
            break;
        }
    }

    // The installer keeps someone else's file and links the helper at a
    // later path instead.
    for (const QString& later : m_context.toolPaths.mid(foundIndex + 1)) {
        std::error_code laterError;
        const std::filesystem::path laterDestination
            = std::filesystem::read_symlink(toFileSystemPath(later), laterError);
        if (!laterError && helper && *helper == fromPath(laterDestination))
            return State::fallbackInstalled(later);
    }
    return State::foreignCopy(foundText);
}

QStringList CLIToolStore::inspectKept() const
{
    const std::optional<QString> helper = preferredTarget();
    QStringList kept;
    for (const QString& candidate : m_context.toolPaths) {
        // Anything that is not a link counts as someone else's too.
        if (entryExists(toFileSystemPath(candidate))
            && CLIInstaller::ownerOfLink(candidate, helper) == CLIInstaller::LinkOwner::someoneElse)
            kept.append(candidate);
    }
    return kept;
}

void CLIToolStore::setState(State state)
{
    if (m_state == state)
        return;
    m_state = std::move(state);
    // What the last operation said is about the state it left.
    setLastNote(std::nullopt);
    emit stateChanged();
}

void CLIToolStore::setDetectedVersion(std::optional<QString> version)
{
    if (m_detectedVersion == version)
        return;
    m_detectedVersion = std::move(version);
    emit detectedVersionChanged();
}

void CLIToolStore::setLastNote(std::optional<Note> note)
{
    if (m_lastNote == note)
        return;
    m_lastNote = std::move(note);
    emit lastNoteChanged();
}

} // namespace mivo
