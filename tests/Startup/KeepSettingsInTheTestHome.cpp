#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>

// Linked into every test program. Qt takes the folder of the user's settings
// files once, at the first settings object of the process, and keeps it. A
// test that points XDG_CONFIG_HOME at a temporary folder for a while (a
// session with the stand-in helper) would otherwise have every later settings
// file of the process written there: the file dialog's own state, or the
// user defaults when they are saved at exit, long after that folder was
// removed, which makes it again. The folder is fixed here to the one the
// test was started with, its own home.
namespace {

void keepSettingsInTheTestHome()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QSettings::Format format : { QSettings::NativeFormat, QSettings::IniFormat })
        QSettings::setPath(format, QSettings::UserScope, folder);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(keepSettingsInTheTestHome)
