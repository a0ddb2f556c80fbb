#include "App/Translations.h"

#include "Base/Log.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace mivo::Translations {

namespace {

const QString kFolder = QStringLiteral(":/mivo/translations");
const QString kObjectName = QStringLiteral("mivoTranslations");

} // namespace

void install()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || application->findChild<QTranslator*>(kObjectName, Qt::FindDirectChildrenOnly))
        return;
    auto* translator = new QTranslator(application);
    translator->setObjectName(kObjectName);
    if (!translator->load(QLocale(), QStringLiteral("mivo"), QStringLiteral("_"), kFolder)
        && !translator->load(QStringLiteral("mivo_en"), kFolder)) {
        qCWarning(lcApp) << "no translation found in" << kFolder;
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
}

} // namespace mivo::Translations
