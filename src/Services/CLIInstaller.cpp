#include "Services/CLIInstaller.h"

#include "Base/Bundle.h"
#include "Base/Log.h"
#include "Base/Utf8.h"
#include "Base/WorkerThread.h"
#include "Services/PkexecAdminRunner.h"
#include "Transport/HelperLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace mivo {

namespace {

// Creates the link as root. $1 is the folder, $2 the helper, $3 the link.
// Something at the link that is not a symbolic link is never replaced, and
// -T keeps ln from putting the link inside a folder found at that path.
constexpr auto kInstallScript = R"(mkdir -p -- "$1" || exit
if [ -e "$3" ] && [ ! -L "$3" ]; then
    printf '%s already exists and is not a link\n' "$3" >&2
    exit 1
fi
ln -sfT -- "$2" "$3")";

// Removes the link as root; $1 is the link. Anything else at that path stays.
constexpr auto kUninstallScript = R"(if [ -L "$1" ]; then rm -f -- "$1"; fi)";

// The line that puts the fallback folder on the PATH.
constexpr auto kPathLine = "\nexport PATH=\"$HOME/.local/bin:$PATH\"\n";

enum class Entry { absent, link, directory, other };

// What is at `path`, without following a symbolic link there.
Entry entryAt(const QString& path)
{
    struct stat status { };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return Entry::absent;
    if (S_ISLNK(status.st_mode))
        return Entry::link;
    if (S_ISDIR(status.st_mode))
        return Entry::directory;
    return Entry::other;
}

// "<path>: <reason>" for the error just reported in errno.
QString systemError(const QString& path)
{
    const int code = errno;
    return QStringLiteral("%1: %2").arg(path, qt_error_string(code));
}

bool isWritableFolder(const CLIInstaller::Context& context, const QString& folder)
{
    return QFileInfo(folder).isDir() && context.isWritable(folder);
}

QString linkIn(const QString& folder)
{
    return folder + u'/' + QLatin1String(CLIInstaller::kToolName);
}

QString fallbackFolderOf(const CLIInstaller::Context& context)
{
    return context.homeFolder + QStringLiteral("/.local/bin");
}

std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Whether `path` names a `mivo` in a Contents/Helpers folder.
bool isHelperPlace(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path();
    return path.filename() == CLIInstaller::kToolName && folder.filename() == "Helpers"
        && folder.parent_path().filename() == "Contents";
}

// Whether what is at `link` belongs to someone else: a file or folder, or a
// link to another program.
bool isSomeoneElses(const QString& link, const std::optional<QString>& helper)
{
    switch (entryAt(link)) {
    case Entry::absent:
        return false;
    case Entry::link:
        return CLIInstaller::ownerOfLink(link, helper) == CLIInstaller::LinkOwner::someoneElse;
    case Entry::directory:
    case Entry::other:
        return true;
    }
    return true;
}

// The sentence that says why the link went to the fallback folder, ended
// with a full stop when the message it comes from has none.
QString asSentence(QString text)
{
    text = text.trimmed();
    if (!text.isEmpty() && !text.endsWith(u'.') && !text.endsWith(u'!') && !text.endsWith(u'?'))
        text += u'.';
    return text;
}

// Replaces a symbolic link at `link` to a helper (dangling or not) with one to
// `target`. Anything else at that path belongs to the user and stays.
void makeSymlink(const QString& link, const QString& target)
{
    if (isSomeoneElses(link, target))
        throw InstallError::ioFailed(QStringLiteral("%1 already exists and is not a link to mivo").arg(link));
    // A failure to remove shows up when the new link cannot be created.
    if (entryAt(link) == Entry::link)
        ::unlink(QFile::encodeName(link).constData());
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) != 0)
        throw InstallError::ioFailed(systemError(link));
}

CLIInstaller::Installation installLink(const CLIInstaller::Context& context, const QString& helper)
{
    const QString link = linkIn(context.systemBinFolder);
    std::optional<QString> fallbackReason;

    // Whatever sits there that is not a link to a helper belongs to the user:
    // it stays, and the link goes to the fallback folder instead.
    if (isSomeoneElses(link, helper)) {
        fallbackReason = QStringLiteral("%1 is someone else's file and was left as it is.").arg(link);
    } else if (isWritableFolder(context, context.systemBinFolder)) {
        makeSymlink(link, helper);
        return { QUrl::fromLocalFile(link), std::nullopt };
    } else {
        try {
            context.adminRunner->run(
                QString::fromLatin1(kInstallScript), { context.systemBinFolder, helper, link });
            return { QUrl::fromLocalFile(link), std::nullopt };
        } catch (const InstallError& error) {
            qCDebug(lcCliInstaller) << "administrator install failed, using the fallback folder:"
                                    << error.userText();
            fallbackReason = asSentence(error.userText());
        }
    }

    const QString fallbackFolder = fallbackFolderOf(context);
    if (!QDir().mkpath(fallbackFolder))
        throw InstallError::ioFailed(QStringLiteral("Could not create the folder %1").arg(fallbackFolder));
    const QString fallbackLink = linkIn(fallbackFolder);
    makeSymlink(fallbackLink, helper);
    return { QUrl::fromLocalFile(fallbackLink), fallbackReason };
}

void uninstallLinks(const CLIInstaller::Context& context, const std::optional<QString>& helper)
{
    for (const QString& folder : { context.systemBinFolder, fallbackFolderOf(context) }) {
        const QString link = linkIn(folder);
        // A link to another program is someone else's, like a file.
        if (entryAt(link) != Entry::link || isSomeoneElses(link, helper))
            continue;
        if (isWritableFolder(context, folder)) {
            if (::unlink(QFile::encodeName(link).constData()) != 0)
                throw InstallError::ioFailed(systemError(link));
        } else {
            context.adminRunner->run(QString::fromLatin1(kUninstallScript), { link });
        }
    }
}

// Runs `tool --version`. A tool that has not ended within `timeout` is killed
// together with everything it started, and reports nothing.
std::optional<QString> versionOf(const QString& tool, std::chrono::milliseconds timeout)
{
    QProcess process;
    process.setProgram(tool);
    process.setArguments({ QStringLiteral("--version") });
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so that a kill reaches the children of a wrapper script too.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted(-1))
        return std::nullopt;
    if (!process.waitForFinished(int(timeout.count()))) {
        // Never a group id of 0 or less: kill() would take that as this process's own group.
        const auto group = pid_t(process.processId());
        if (group > 0 && process.state() != QProcess::NotRunning) {
            ::kill(-group, SIGKILL);
            process.waitForFinished(-1);
        }
        return std::nullopt;
    }
    const auto output = decodeUtf8Strict(process.readAllStandardOutput());
    if (!output)
        return std::nullopt;
    QString version = output->trimmed();
    if (version.isEmpty())
        return std::nullopt;
    return version;
}

std::optional<QString> detectVersion(const CLIInstaller::Context& context)
{
    for (const QString& link : { linkIn(context.systemBinFolder), linkIn(fallbackFolderOf(context)) }) {
        const QFileInfo info(link);
        if (!info.isFile() || !info.isExecutable())
            continue;
        if (auto version = versionOf(link, context.versionTimeout))
            return version;
    }
    return std::nullopt;
}

} // namespace

CLIInstaller::Context CLIInstaller::Context::system()
{
    Context context;
    context.systemBinFolder = QStringLiteral("/usr/local/bin");
    context.homeFolder = QDir::homePath();
    context.environment = HelperLocator::processEnvironment();
    context.locateHelper
        = [] { return HelperLocator::locate(Bundle::main(), HelperLocator::processEnvironment()); };
    context.isWritable
        = [](const QString& folder) { return ::access(QFile::encodeName(folder).constData(), W_OK) == 0; };
    context.adminRunner = std::make_shared<PkexecAdminRunner>();
    return context;
}

CLIInstaller::CLIInstaller(Context context)
    : m_context(std::move(context))
{
}

CLIInstaller& CLIInstaller::shared()
{
    static CLIInstaller installer;
    return installer;
}

QString CLIInstaller::systemLinkPath() const
{
    return linkIn(m_context.systemBinFolder);
}

QString CLIInstaller::fallbackFolderPath() const
{
    return fallbackFolderOf(m_context);
}

QString CLIInstaller::fallbackLinkPath() const
{
    return linkIn(fallbackFolderOf(m_context));
}

CLIInstaller::LinkOwner CLIInstaller::ownerOfLink(const QString& link, const std::optional<QString>& helper)
{
    namespace fs = std::filesystem;
    const fs::path linkPath = toPath(link);
    std::error_code error;
    const fs::path destination = fs::read_symlink(linkPath, error);
    if (error)
        return LinkOwner::someoneElse;
    // A relative destination is relative to the link's folder, as the system
    // resolves it.
    const fs::path resolved = destination.is_absolute() ? destination : linkPath.parent_path() / destination;
    if (!fs::exists(resolved, error))
        return LinkOwner::missing;
    if (helper) {
        std::error_code sameError;
        if (QFile::decodeName(QByteArray::fromStdString(destination.native())) == *helper
            || fs::equivalent(resolved, toPath(*helper), sameError))
            return LinkOwner::helper;
    }
    const fs::path canonical = fs::canonical(resolved, error);
    if (isHelperPlace(resolved.lexically_normal()) || (!error && isHelperPlace(canonical)))
        return LinkOwner::helper;
    return LinkOwner::someoneElse;
}

std::optional<QString> CLIInstaller::locatedHelper() const
{
    // The locator's own error is not passed on.
    try {
        return m_context.locateHelper();
    } catch (const std::exception& error) {
        qCDebug(lcCliInstaller) << "helper not located:" << error.what();
    }
    return std::nullopt;
}

QCoro::Task<CLIInstaller::Installation> CLIInstaller::install() const
{
    // The helper is looked up here, on the caller's thread.
    return runInWorkerThread([context = m_context, helper = locatedHelper()] {
        if (!helper)
            throw InstallError::noHelper();
        return installLink(context, *helper);
    });
}

QCoro::Task<void> CLIInstaller::uninstall() const
{
    return runInWorkerThread(
        [context = m_context, helper = locatedHelper()] { uninstallLinks(context, helper); });
}

QCoro::Task<std::optional<QString>> CLIInstaller::detectedVersion() const
{
    return runInWorkerThread([context = m_context] { return detectVersion(context); });
}

QCoro::Task<std::optional<QString>> CLIInstaller::versionOf(QString path) const
{
    return runInWorkerThread(
        [path = std::move(path), timeout = m_context.versionTimeout]() -> std::optional<QString> {
            const QFileInfo info(path);
            if (!info.isFile() || !info.isExecutable())
                return std::nullopt;
            return mivo::versionOf(path, timeout);
        });
}

bool CLIInstaller::localBinOnPath() const
{
    const QString localBin = fallbackFolderPath();
    const QStringList entries = m_context.environment.value(QStringLiteral("PATH")).split(u':');
    return entries.contains(localBin);
}

void CLIInstaller::addLocalBinToPath() const
{
    const QString shell = m_context.environment.value(QStringLiteral("SHELL"), QStringLiteral("/bin/zsh"));
    const QString profile = m_context.homeFolder
        + (shell.contains(u"zsh") ? QStringLiteral("/.zshrc") : QStringLiteral("/.bashrc"));
    const QByteArray line(kPathLine);

    QFile existing(profile);
    if (existing.exists()) {
        // An existing profile is only ever appended to, never replaced.
        if (!existing.open(QIODevice::WriteOnly | QIODevice::Append) || existing.write(line) != line.size())
            throw InstallError::ioFailed(QStringLiteral("%1: %2").arg(profile, existing.errorString()));
        return;
    }
    QSaveFile created(profile);
    if (!created.open(QIODevice::WriteOnly) || created.write(line) != line.size() || !created.commit())
        throw InstallError::ioFailed(QStringLiteral("%1: %2").arg(profile, created.errorString()));
}

} // namespace mivo
