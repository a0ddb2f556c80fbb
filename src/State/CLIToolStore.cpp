#include "State/CLIToolStore.h"

#include "Support/Bundle.h"
#include "Transport/HelperError.h"
#include "Transport/HelperLocator.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <system_error>

namespace mivo {

namespace {

std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// Whether a file exists at `path`, following symbolic links: a link whose
// destination is missing does not count.
bool existsFollowingLinks(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
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
    setState(inspect());
}

CLIToolStore::State CLIToolStore::inspect() const
{
    std::optional<std::filesystem::path> found;
    QString foundText;
    for (const QString& candidate : m_context.toolPaths) {
        const std::filesystem::path path = toPath(candidate);
        if (existsFollowingLinks(path)) {
            found = path;
            foundText = candidate;
            break;
        }
    }
    if (!found)
        return State::notInstalled();

    std::error_code error;
    const std::filesystem::path destination = std::filesystem::read_symlink(*found, error);
    if (error)
        return State::foreignCopy(foundText);

    const QString destinationText = fromPath(destination);
    const std::optional<QString> helper = preferredTarget();
    if (helper && *helper == destinationText)
        return State::installedSymlink(destinationText);

    // A relative destination is relative to the folder that holds the link,
    // as the system resolves it, not to this process's working directory.
    // The folder path is kept as written so that ".." is resolved by the file
    // system, through any link on the way.
    const std::filesystem::path resolved
        = destination.is_absolute() ? destination : found->parent_path() / destination;
    return existsFollowingLinks(resolved) ? State::installedSymlinkStale() : State::dangling();
}

void CLIToolStore::setState(State state)
{
    if (m_state == state)
        return;
    m_state = std::move(state);
    emit stateChanged();
}

} // namespace mivo
