// The main window against the stand-in helper: from building the model and the
// window to the helper's sample playlists listed in the sidebar (launching the
// helper, reading the configuration and the playlists, drawing the list). The
// process's own start (loading the libraries) comes before this and is not counted.
#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/AppStyle.h"
#include "Support/UserDefaults.h"
#include "Views/MainWindow.h"
#include "Views/SidebarModel.h"
#include "Views/SidebarView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace mivo;

namespace {

constexpr int kWaitMs = 20000;

void BM_WindowShownToPlaylistsListed(benchmark::State& state)
{
    QTemporaryDir dir;
    qputenv("MIVO_HELPER_PATH", MIVO_TEST_HELPER_PATH);
    qputenv("MIVO_STANDIN_CONFIG", dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
    QSettingsUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    QApplication::setStyle(new AppStyle);

    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        AppModel::Options options;
        options.cliTool.toolPaths = {};
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        options.defaults = &defaults;
        AppModel model(options);
        UpdaterModel updater(&model.sync());
        MainWindow window(model, updater, MainWindow::Environment { nullptr, &defaults, {} });
        window.show();
        QElapsedTimer waited;
        waited.start();
        const auto listed = [&window] {
            return window.sidebar() && window.sidebar()->content() == SidebarView::Content::list
                && window.sidebar()->model().rowCount() > 0;
        };
        while (!listed() && waited.elapsed() < kWaitMs)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!listed()) {
            state.SkipWithError("the playlists were not listed");
            break;
        }
        window.sidebar()->listView()->viewport()->repaint();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    for (const char* name : { "MIVO_HELPER_PATH", "MIVO_STANDIN_CONFIG" })
        qunsetenv(name);
}
BENCHMARK(BM_WindowShownToPlaylistsListed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

} // namespace
