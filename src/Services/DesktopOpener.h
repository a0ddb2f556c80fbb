#pragma once

#include <QUrl>
#include <chrono>
#include <qcoro/qcorotask.h>

namespace mivo {

// Opens a web page, a file or a folder with the desktop's handler for it and
// says whether that worked, without waiting on the main thread. The desktop's
// xdg-open is run: it exits with an error when it finds no handler or the
// handler fails to start. A run still going after `bound` (a handler kept in
// the foreground, such as a browser started directly) counts as opened and is
// left running. Without xdg-open the request goes to Qt's desktop services,
// which can only say whether they started something.
class DesktopOpener {
public:
    // Long enough for xdg-open to hand over to a handler or to give up.
    static constexpr std::chrono::milliseconds kBound { 3000 };

    static QCoro::Task<bool> open(QUrl url, std::chrono::milliseconds bound = kBound);

    // Runs left going at their bound whose process is not yet reaped and
    // released; what is still going when the application quits is left to
    // run on without it.
    static int stillRunning();
};

} // namespace mivo
