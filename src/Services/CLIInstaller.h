#pragma once

#include "Services/AdminRunner.h"
#include "Services/InstallError.h"

#include <QHash>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace mivo {

// Makes the helper executable reachable from a shell as the command `mivo`:
// a symbolic link in /usr/local/bin (through the administrator runner when
// that folder is not writable), or else in ~/.local/bin. Something at
// /usr/local/bin/mivo that is not a link belongs to the user and is kept;
// the link then goes to ~/.local/bin. No shell profile is touched by
// installing.
//
// install(), uninstall() and detectedVersion() run child processes and wait
// for them; they do so on a worker thread, and the caller awaits the result.
class CLIInstaller {
public:
    using InstallError = mivo::InstallError;

    // Everything the installer takes from the system. Tests replace parts of
    // it to run in a temporary folder with a stand-in administrator.
    struct Context {
        QString systemBinFolder;
        QString homeFolder;
        // The process environment: PATH and SHELL are read from it.
        QHash<QString, QString> environment;
        // The helper executable's path; throws when it cannot be located.
        std::function<QString()> locateHelper;
        // Whether the current user may create and remove entries in a folder.
        std::function<bool(const QString& folder)> isWritable;
        std::shared_ptr<AdminRunner> adminRunner;
        // How long an installed tool may take to report its version.
        std::chrono::milliseconds versionTimeout { 5000 };

        // The running system: /usr/local/bin, the user's home folder and pkexec.
        static Context system();
    };

    // Where install() put the link, and why it is not in the system folder
    // when it is not (a sentence for the user).
    struct Installation {
        QUrl link;
        std::optional<QString> fallbackReason;
        bool operator==(const Installation&) const = default;
    };

    static constexpr auto kToolName = "mivo";

    explicit CLIInstaller(Context context = Context::system());

    // The process-wide installer for the running system.
    static CLIInstaller& shared();

    QString systemLinkPath() const;
    QString fallbackFolderPath() const;
    QString fallbackLinkPath() const;

    // Installs the link and says where: the system link, or the fallback link
    // when the system path holds someone else's file or the administrator
    // rights were not granted.
    QCoro::Task<Installation> install() const;
    // Removes the links in the system folder and then in the fallback folder.
    // Only symbolic links are removed, dangling ones included.
    QCoro::Task<void> uninstall() const;
    // The version the installed tool reports for --version, trying the system
    // link and then the fallback link.
    QCoro::Task<std::optional<QString>> detectedVersion() const;
    // The version the executable at `path` reports for --version.
    QCoro::Task<std::optional<QString>> versionOf(QString path) const;

    // Whether a symbolic link at a tool path leads to a copy of this
    // application's helper: `destination` (the link's text, resolved against
    // the folder of `link` when relative) is `helper`, or the same file, or a
    // `mivo` in an application's Contents/Helpers folder, as written or once
    // every link on the way is followed. A link to any other existing file is
    // someone else's: it is never run, replaced or removed. A link whose
    // destination is missing says nothing about whose it was and counts as
    // ours to replace.
    enum class LinkOwner { helper, missing, someoneElse };
    static LinkOwner ownerOfLink(const QString& link, const std::optional<QString>& helper);

    // Whether the fallback folder is on the PATH.
    bool localBinOnPath() const;
    // Appends a line that puts the fallback folder on the PATH to the shell's
    // profile, creating the profile when there is none.
    void addLocalBinToPath() const;

private:
    std::optional<QString> locatedHelper() const;

    Context m_context;
};

} // namespace mivo
