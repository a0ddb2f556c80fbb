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

public:
    struct State {
        // A link to the helper this application would launch.
        struct InstalledSymlink {
            QString target;
            bool operator==(const InstalledSymlink&) const = default;
        };
        // Something that is not a symbolic link sits at the tool path.
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
        // A link to some other file that exists (another copy of the application).
        struct InstalledSymlinkStale {
            bool operator==(const InstalledSymlinkStale&) const = default;
        };
        // A link whose destination names no existing file.
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

    // Where the store looks and what it compares with. Tests point it at a
    // temporary folder.
    struct Context {
        // The tool paths, in the order they are tried.
        QStringList toolPaths;
        // The helper executable this application would launch; nothing when
        // it cannot be located.
        std::function<std::optional<QString>()> preferredTarget;
        // Asks the installed tool for its version, off the main thread; none
        // leaves the version absent.
        std::function<QCoro::Task<std::optional<QString>>()> readVersion;

        // /usr/local/bin/mivo, then ~/.local/bin/mivo; the helper as the
        // locator finds it for the running application and environment; the
        // version as the installer reads it.
        static Context system();
    };

    explicit CLIToolStore(QObject* parent = nullptr);
    explicit CLIToolStore(Context context, QObject* parent = nullptr);

    State state() const { return m_state; }
    // The installed tool's version as it reports it; absent while nothing is
    // installed, while it is being asked and when it gives none.
    std::optional<QString> detectedVersion() const { return m_detectedVersion; }

    // The helper executable this application would launch, looked up afresh.
    std::optional<QString> preferredTarget() const;

    // Inspects the tool paths and sets `state`. The first path at which a file
    // exists (a link counts when its destination exists) is the one inspected:
    // not a symbolic link → foreignCopy; a link whose destination text is the
    // helper's path → installedSymlink; a link to another existing file →
    // installedSymlinkStale; else dangling. Nothing at any path → notInstalled.
    // A foreign copy at the first path with a link to the helper at a later
    // one → fallbackInstalled with that later path.
    // Then asks the tool for its version in the background; a newer detect()
    // supersedes the question.
    void detect();

signals:
    void stateChanged();
    void detectedVersionChanged();

private:
    State inspect() const;
    void setState(State state);
    void setDetectedVersion(std::optional<QString> version);
    QCoro::Task<void> readVersion(quint64 generation);

    Context m_context;
    State m_state;
    std::optional<QString> m_detectedVersion;
    // Counts detections: only the newest one's version question is kept.
    quint64 m_detection = 0;
};

} // namespace mivo
