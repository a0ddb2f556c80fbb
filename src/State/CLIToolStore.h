#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>
#include <variant>

namespace mivo {

// What is installed as the terminal command `mivo`: a symbolic link to the
// helper executable in /usr/local/bin or, failing that, in ~/.local/bin. The
// settings window shows the state and runs detect() again after installing,
// repairing or uninstalling.
class CLIToolStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::CLIToolStore::State state READ state NOTIFY stateChanged)
    Q_PROPERTY(std::optional<QString> detectedVersion READ detectedVersion NOTIFY detectedVersionChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY isBusyChanged)
    Q_PROPERTY(std::optional<mivo::CLIToolStore::Note> lastNote READ lastNote NOTIFY lastNoteChanged)
    Q_PROPERTY(QStringList keptPaths READ keptPaths NOTIFY keptPathsChanged)

public:
    struct State {
        // A link to the helper this application would launch.
        struct InstalledSymlink {
            QString target;
            bool operator==(const InstalledSymlink&) const = default;
        };
        // Someone else's file sits at the tool path: not a symbolic link, or a
        // link to some other program. It is never run, replaced or removed.
        struct ForeignCopy {
            QString path;
            std::optional<QString> version;
            bool operator==(const ForeignCopy&) const = default;
        };
        // A link to the helper at a later tool path, while the first one holds
        // something that is not a link (kept as it is by the installer).
        struct FallbackInstalled {
            QString path;
            bool operator==(const FallbackInstalled&) const = default;
        };
        // Not inspected yet.
        struct Unknown {
            bool operator==(const Unknown&) const = default;
        };
        // Nothing at either tool path.
        struct NotInstalled {
            bool operator==(const NotInstalled&) const = default;
        };
        // A link to the helper of another copy of the application.
        struct InstalledSymlinkStale {
            bool operator==(const InstalledSymlinkStale&) const = default;
        };
        // A link whose destination names no existing file: ours to replace
        // or remove.
        struct Dangling {
            bool operator==(const Dangling&) const = default;
        };

        std::variant<InstalledSymlink, ForeignCopy, FallbackInstalled, Unknown, NotInstalled,
            InstalledSymlinkStale, Dangling>
            value = Unknown {};

        static State installedSymlink(QString target) { return { InstalledSymlink { std::move(target) } }; }
        static State foreignCopy(QString path, std::optional<QString> version = std::nullopt)
        {
            return { ForeignCopy { std::move(path), std::move(version) } };
        }
        static State fallbackInstalled(QString path) { return { FallbackInstalled { std::move(path) } }; }
        static State unknown() { return { Unknown {} }; }
        static State notInstalled() { return { NotInstalled {} }; }
        static State installedSymlinkStale() { return { InstalledSymlinkStale {} }; }
        static State dangling() { return { Dangling {} }; }

        bool operator==(const State&) const = default;
    };

    // How an install or uninstall ended, for the user: its failure, or where
    // the link went instead of the system folder and why.
    struct Note {
        QString text;
        bool isError = false;
        bool operator==(const Note&) const = default;
    };

    // Where the store looks and what it compares with. Tests point it at a
    // temporary folder.
    struct Context {
        // The tool paths, in the order they are tried.
        QStringList toolPaths;
        // The helper executable this application would launch; nothing when
        // it cannot be located.
        std::function<std::optional<QString>()> preferredTarget;
        // Asks the tool at a path for its version, off the main thread; none
        // leaves the version absent.
        std::function<QCoro::Task<std::optional<QString>>(const QString& path)> readVersion;

        // /usr/local/bin/mivo, then ~/.local/bin/mivo; the helper as the
        // locator finds it for the running application and environment; the
        // version as the installer reads it.
        static Context system();
    };

    explicit CLIToolStore(QObject* parent = nullptr);
    explicit CLIToolStore(Context context, QObject* parent = nullptr);

    State state() const { return m_state; }
    // The version of the installed link to this application's helper, as it
    // reports it; absent while no such link is installed (nothing else at a
    // tool path is ever run), while it is being asked and when it gives none.
    std::optional<QString> detectedVersion() const { return m_detectedVersion; }

    // The helper executable this application would launch, looked up afresh.
    std::optional<QString> preferredTarget() const;

    // Inspects the tool paths and sets `state` and `keptPaths`. The first path
    // at which there is anything (a link counts whether its destination exists
    // or not) is the one inspected: a link whose destination text is the
    // helper's path → installedSymlink; a link to another copy's helper →
    // installedSymlinkStale (see CLIInstaller::ownerOfLink); a link to nothing
    // → dangling; not a link, or a link to another program → foreignCopy.
    // Nothing at any path → notInstalled.
    // A foreign copy at the first path with a link to the helper at a later
    // one → fallbackInstalled with that later path.
    // Then asks a link to the helper for its version in the background; a
    // newer detect() supersedes the question.
    void detect();

    // The tool paths that hold someone else's file (not a link, or a link to
    // another program), in the order they are tried, as the last detect()
    // found them. Installing and uninstalling leave each of them as it is.
    QStringList keptPaths() const { return m_keptPaths; }

    // Whether an install or uninstall runs. There is one at a time in the
    // process, whichever window started it: beginWork() refuses a second
    // while one runs, and endWork() detects again and ends it.
    bool isBusy() const { return m_busy; }
    bool beginWork();
    void endWork(std::optional<Note> note = std::nullopt);

    // The note of the last install or uninstall that ended, kept here so that
    // every window shows it, also one opened while the operation ran; none
    // after a plain success. It speaks of the state that operation left: it
    // goes when a later detection finds another state or other kept paths,
    // and when the next operation begins.
    std::optional<Note> lastNote() const { return m_lastNote; }

signals:
    void stateChanged();
    void detectedVersionChanged();
    void isBusyChanged();
    void lastNoteChanged();
    void keptPathsChanged();

private:
    // `inspected` is set to the tool path that was looked at, if any.
    State inspect(QString& inspected) const;
    QStringList inspectKept() const;
    void setState(State state);
    void setDetectedVersion(std::optional<QString> version);
    void setLastNote(std::optional<Note> note);
    QCoro::Task<void> readVersion(QString path, quint64 generation);

    Context m_context;
    State m_state;
    std::optional<QString> m_detectedVersion;
    // Counts detections: only the newest one's version question is kept.
    quint64 m_detection = 0;
    bool m_busy = false;
    std::optional<Note> m_lastNote;
    QStringList m_keptPaths;
};

} // namespace mivo
