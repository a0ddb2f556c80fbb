#pragma once

#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/MainWindow.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace mivo::test {

// The main window, shown and active, over a run of one playlist "pl" of
// `trackCount` tracks ("pl#0", "pl#1", ...) in which the tracks of `reviews`
// wait for review with their candidates, in that order.
struct ReviewWindow {
    using Review = std::pair<QString, QList<CandidateDTO>>;

    QTemporaryDir folder;
    QSettingsUserDefaults defaults { folder.filePath(QStringLiteral("defaults.ini")) };
    FixedAccessibility accessibility;
    ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainWindow> window;

    ReviewWindow(int trackCount, const QList<Review>& reviews)
    {
        auto owned = std::make_unique<ScriptedHelperClient>();
        client = owned.get();
        // The model reads the window's defaults, not the user's own.
        AppModel::Options options;
        options.defaults = &defaults;
        model = std::make_unique<AppModel>(std::move(owned), options);
        model->defaults().setDidOnboard(true);
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(
            *model, *updater, MainWindow::Environment { &accessibility, &defaults, [](AppModel&) {} });

        QList<TrackDTO> tracks;
        for (int row = 0; row < trackCount; ++row)
            tracks.append(TrackDTO { QStringLiteral("pl#%1").arg(row), QStringLiteral("Track %1").arg(row),
                QStringLiteral("Artist"), QStringLiteral("Album"), 180, ArtworkRef::none() });
        QList<HelperEvent> events { server(ServerEvent::SyncStarted { "c", "run-1", 1 }),
            server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", tracks }) };
        for (const auto& [id, candidates] : reviews)
            events.append(server(ServerEvent::NeedsReview { "c", id, id, std::nullopt, candidates }));
        for (const HelperEvent& event : events)
            client->events().yield(event);
        if (!QTest::qWaitFor([&] { return model->sync().reviewCount() == int(reviews.size()); }))
            qFatal("the run's events were not routed");

        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the window did not become active");
    }
};

} // namespace mivo::test
