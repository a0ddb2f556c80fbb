#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

namespace mivo {

// What is installed as the terminal command `mivo`: a symbolic link to the
// helper executable in /usr/local/bin or, failing that, in ~/.local/bin. The
// settings window shows the state and runs detect() again after installing,
// repairing or uninstalling.
class CLIToolStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(mivo::CLIToolStore::State state READ state NOTIFY stateChanged)
    Q_PROPERTY(std::optional<QString> detectedVersion READ detectedVersion CONSTANT)

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
        // A link installed at the fallback location only.
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

        // /usr/local/bin/mivo, then ~/.local/bin/mivo; the helper as the
        // locator finds it for the running application and environment.
        static Context system();
    };

    explicit CLIToolStore(QObject* parent = nullptr);
    explicit CLIToolStore(Context context, QObject* parent = nullptr);

    State state() const { return m_state; }
    // The installed tool's version. Nothing in the application reads it from
    // the tool, so it stays absent.
    std::optional<QString> detectedVersion() const { return m_detectedVersion; }

    // The helper executable this application would launch, looked up afresh.
    std::optional<QString> preferredTarget() const;

    // Inspects the tool paths and sets `state`. The first path at which a file
    // exists (a link counts when its destination exists) is the one inspected:
    // not a symbolic link → foreignCopy; a link whose destination text is the
    // helper's path → installedSymlink; a link to another existing file →
    // installedSymlinkStale; else dangling. Nothing at any path → notInstalled.
    void detect();

signals:
    void stateChanged();

private:
    State inspect() const;
    void setState(State state);

    Context m_context;
    State m_state;
    std::optional<QString> m_detectedVersion;
};

} // namespace mivo
