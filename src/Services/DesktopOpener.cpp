#include "Services/DesktopOpener.h"

#include "Base/Log.h"

#include <QCoroSignal>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace mivo {

namespace {

const QString kProgram = QStringLiteral("xdg-open");

// Touched on the main thread only, where every open() runs.
int s_stillRunning = 0;

} // namespace

QCoro::Task<bool> DesktopOpener::open(QUrl url, std::chrono::milliseconds bound)
{
    if (QStandardPaths::findExecutable(kProgram).isEmpty())
        co_return QDesktopServices::openUrl(url);

    // Kept alive past this call while it runs: the handler xdg-open started in
    // the foreground would end with it.
    auto* process = new QProcess;
    process->setProgram(kProgram);
    process->setArguments({ url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded) });
    process->setStandardInputFile(QProcess::nullDevice());
    // What xdg-open and the handler print goes where the application's own output goes.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start();

    // Awaited on finished(), which carries no private-signal tag for the awaiter
    // to bind; a start that fails never finishes and is told apart below.
    if (process->state() != QProcess::NotRunning)
        co_await qCoro(process, &QProcess::finished, bound);
    if (process->state() != QProcess::NotRunning) {
        ++s_stillRunning;
        QObject::connect(process, &QObject::destroyed, [] { --s_stillRunning; });
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        co_return true;
    }
    const bool opened = process->error() != QProcess::FailedToStart
        && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    if (process->error() == QProcess::FailedToStart)
        qCInfo(lcApp) << "xdg-open could not be started:" << process->errorString();
    else if (process->exitStatus() != QProcess::NormalExit)
        qCInfo(lcApp) << "xdg-open ended abnormally while opening" << url.toDisplayString();
    else if (!opened)
        qCInfo(lcApp) << "xdg-open could not open" << url.toDisplayString() << "- exit code"
                      << process->exitCode();
    process->deleteLater();
    co_return opened;
}

int DesktopOpener::stillRunning()
{
    return s_stillRunning;
}

} // namespace mivo
