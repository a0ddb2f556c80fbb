#include "App/AppModel.h"
#include "App/Translations.h"
#include "Base/WorkerThread.h"
#include "Services/UpdaterModel.h"
#include "Styling/AppStyle.h"
#include "Views/MainWindow.h"
#include "Views/ViewAccessibility.h"

#include <QApplication>

using namespace mivo;

// One application model and one updater for the life of the process, and the
// main window over them. The window starts the model the first time it shows;
// closing the last window quits. On the way out, with the window already gone,
// the helper gets its end of input and a few seconds to end by itself before it
// is terminated.
int main(int argc, char** argv)
{
    mivo::shareAllocatorHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mivo"));
    Translations::install();
    QApplication::setStyle(new AppStyle);
    ViewAccessibility::install();
    QApplication::setQuitOnLastWindowClosed(true);

    AppModel model;
    UpdaterModel updater(&model.sync());
    MainWindow window(model, updater);
    window.show();
    const int code = app.exec();
    window.hide();
    model.stopHelper();
    return code;
}
