#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <qcoro/qcorotask.h>

namespace mivo {

// Shows a file or folder selected in the user's file manager: the desktop's
// file-manager service is asked to show the item; where there is none, or it
// answers with an error, the folder that holds the item is opened instead.
class FileManagerReveal {
public:
    // How a reveal reaches the desktop; tests replace both.
    struct Desktop {
        // Asks the file manager to show these items selected; true when it accepted.
        std::function<QCoro::Task<bool>(QList<QUrl>)> showItems;
        // Opens a folder; true when something opened it.
        std::function<QCoro::Task<bool>(QUrl)> openFolder;
    };

    // The freedesktop org.freedesktop.FileManager1 service on the session bus,
    // and the desktop's handler for folders (xdg-open).
    static Desktop system();

    explicit FileManagerReveal(Desktop desktop = system());

    // The process-wide instance on the real desktop.
    static FileManagerReveal& shared();

    // Shows `path` (a leading "~" stands for the home folder; a relative path is
    // taken from the working folder) selected, falling back to opening the folder
    // that holds it. Returns whether either worked; an empty path shows nothing.
    // Never throws.
    QCoro::Task<bool> reveal(QString path) const;

    // The line the user reads when a reveal of `name` (a file or folder as the
    // user knows it) did not work: "No file manager could show “name”."
    static QString failureText(const QString& name);

private:
    Desktop m_desktop;
};

} // namespace mivo
