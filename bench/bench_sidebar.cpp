// The sidebar over a library of 5,000 playlists in 200 folders (one folder holds
// 1,000 of them): one keystroke in the filter field until the list is drawn
// again, and selecting the large folder until the selection is reported.
#include "App/AppModel.h"
#include "Styling/AppStyle.h"
#include "Support/MockHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Transport/WireCoding.h"
#include "Views/ArtworkLoader.h"
#include "Views/SidebarModel.h"
#include "Views/SidebarView.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <benchmark/benchmark.h>

using namespace mivo;

namespace {

constexpr int kFolders = 200;
constexpr int kInLargeFolder = 1000;
constexpr int kPlaylists = 5000;

QList<PlaylistDTO> library()
{
    QList<PlaylistDTO> playlists;
    for (int f = 0; f < kFolders; ++f) {
        const auto source = f % 2 == 0 ? PlaylistSourceId::apple : PlaylistSourceId::spotify;
        playlists.append({ QStringLiteral("folder-%1").arg(f), source, QStringLiteral("Folder %1").arg(f), true,
            std::nullopt, std::nullopt, ArtworkRef::none() });
    }
    // 1,000 playlists in folder 0, the other 4,000 spread over the other folders.
    for (int p = 0; p < kPlaylists; ++p) {
        const int f = p < kInLargeFolder ? 0 : 1 + p % (kFolders - 1);
        const auto source = f % 2 == 0 ? PlaylistSourceId::apple : PlaylistSourceId::spotify;
        playlists.append({ QStringLiteral("pl-%1").arg(p), source, QStringLiteral("Mix %1 of the week").arg(p),
            false, QStringLiteral("folder-%1").arg(f), p % 50, ArtworkRef::none() });
    }
    return playlists;
}

struct Session {
    std::unique_ptr<AppModel> model;
    ArtworkLoader artwork { ArtworkLoader::Source { [](const ArtworkRef&, double) { return QImage(); },
        [](ArtworkRef, double) -> QCoro::Task<QImage> { co_return QImage(); } } };
    std::unique_ptr<SidebarView> sidebar;

    Session()
    {
        QApplication::setStyle(new AppStyle);
        const JSONValue answer
            = JSONValue::fromJson(parseJsonLine(dumpJson(encodeValue(ListPlaylistsResult { library() }))));
        model = std::make_unique<AppModel>(
            std::make_unique<MockHelperClient>(QMap<Method, JSONValue> { { Method::listPlaylists, answer } }));
        QCoro::waitFor(model->library()->refresh());
        sidebar = std::make_unique<SidebarView>(*model, *model->library(), artwork);
        sidebar->resize(280, 800);
        sidebar->show();
        QApplication::processEvents();
    }
};

void BM_FilterKeystrokeToRepaint(benchmark::State& state)
{
    Session session;
    const QStringList typed { "M", "Mi", "Mix", "Mix ", "Mix 4", "Mix 42", "Mix 4", "Mix ", "Mix", "Mi", "M", "" };
    qsizetype next = 0;
    for (auto _ : state) {
        session.sidebar->filterField()->setText(typed[next++ % typed.size()]);
        session.sidebar->listView()->viewport()->repaint();
    }
}
BENCHMARK(BM_FilterKeystrokeToRepaint)->Unit(benchmark::kMillisecond);

void BM_SelectLargeFolderToReported(benchmark::State& state)
{
    Session session;
    LibraryStore& store = *session.model->library();
    bool reported = false;
    QObject::connect(session.sidebar.get(), &SidebarView::selectionSettled,
        [&reported](const QSet<QString>& selection) { reported = selection.size() == kInLargeFolder; });
    for (auto _ : state) {
        reported = false;
        store.setSelection({ QStringLiteral("folder-0") });
        if (!reported) {
            state.SkipWithError("the folder's playlists were not reported");
            break;
        }
        state.PauseTiming();
        store.setSelection({});
        session.sidebar->model().toggleExpansion(QStringLiteral("folder-0")); // closed again
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectLargeFolderToReported)->Unit(benchmark::kMillisecond);

} // namespace
