#include "App/Translations.h"

#include <QCoreApplication>

// Linked into every test program: its application reads the texts as the
// application's own does, with the translations main() installs.
namespace {

void installTranslations()
{
    mivo::Translations::install();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installTranslations)
