#include "Views/Onboarding/FolderChooser.h"

#include "Support/HomePath.h"
#include "Views/Onboarding/SetupCoordinator.h"

#include <QFileDialog>
#include <QPointer>

namespace mivo::FolderChooser {

void choose(QWidget* parent, SetupCoordinator& coordinator)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("folderChooser"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setDirectory(HomePath::existingFolderOrHome(coordinator.outputDir()));
    const QPointer<SetupCoordinator> target(&coordinator);
    QObject::connect(dialog, &QFileDialog::accepted, dialog, [dialog, target] {
        const QStringList chosen = dialog->selectedFiles();
        if (target && !chosen.isEmpty() && !chosen.first().isEmpty())
            target->setOutputDir(chosen.first());
    });
    dialog->open();
}

} // namespace mivo::FolderChooser
