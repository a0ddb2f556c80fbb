// The main window's own states: the sidebar loading, failed, without a helper,
// empty, listing playlists with folders open and a selection, and filtered.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Views/MainWindow.h"
#include "Views/SidebarView.h"

#include <QLineEdit>

namespace mivo::screens {

namespace {

const QSize kWindow = MainWindow::kDefaultSize;

PlaylistDTO playlist(const char* id, PlaylistSourceId source, const char* name, std::optional<qint64> tracks,
    std::optional<QString> parent = std::nullopt, int hue = -1)
{
    return { QString::fromUtf8(id), source, QString::fromUtf8(name), false, std::move(parent), tracks,
        hue < 0 ? ArtworkRef::none() : ScreenFixture::artwork(hue) };
}

PlaylistDTO folder(
    const char* id, PlaylistSourceId source, const char* name, std::optional<QString> parent = std::nullopt)
{
    return { QString::fromUtf8(id), source, QString::fromUtf8(name), true, std::move(parent), std::nullopt,
        ArtworkRef::none() };
}

// Two sources, folders two deep, artwork on most playlists, one without a count.
QList<PlaylistDTO> library()
{
    using enum PlaylistSourceId;
    return {
        folder("apple:sets", apple, "DJ Sets"),
        playlist("apple:warmup", apple, "Warm-Up", 24, "apple:sets", 20),
        playlist("apple:peak", apple, "Peak Time", 31, "apple:sets", 340),
        folder("apple:archive", apple, "Archive", "apple:sets"),
        playlist("apple:closing", apple, "Closing Set 2023", 18, "apple:archive", 260),
        playlist("apple:focus", apple, "Focus Mix", 12, std::nullopt, 200),
        playlist("apple:deep", apple, "Deep House Essentials", 48, std::nullopt, 160),
        playlist("apple:vinyl", apple, "Late Night Vinyl Rips", std::nullopt),
        playlist("spotify:drive", spotify, "Late Night Drive", 3, std::nullopt, 230),
        folder("spotify:workouts", spotify, "Workouts"),
        playlist("spotify:tempo", spotify, "Tempo Run", 40, "spotify:workouts", 100),
        playlist("spotify:yoga", spotify, "Slow Flow", 22, "spotify:workouts", 60),
        playlist("spotify:coffee", spotify, "Morning Coffee", 1, std::nullopt, 30),
    };
}

MainWindow* window(ScreenFixture& fixture)
{
    return new MainWindow(fixture.model(), fixture.updater(), fixture.environment());
}

QWidget* loading(ScreenFixture& fixture)
{
    fixture.hold(Method::listPlaylists);
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    return w;
}

QWidget* failed(ScreenFixture& fixture)
{
    fixture.fail(Method::listPlaylists,
        HelperError::engineError(QStringLiteral("spotify_unavailable"),
            QStringLiteral("Spotify did not answer. Check your connection and try again.")));
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    return w;
}

// The helper ended for good before any playlist was listed.
QWidget* helperGone(ScreenFixture& fixture)
{
    fixture.hold(Method::listPlaylists);
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    fixture.client().events().finish(StreamEnd::gaveUp);
    ScreenFixture::settle();
    return w;
}

QWidget* noPlaylists(ScreenFixture& fixture)
{
    fixture.setPlaylists({});
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    return w;
}

QWidget* list(ScreenFixture& fixture)
{
    fixture.setPlaylists(library());
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    // Selecting the folder opens it and selects the playlists inside it.
    fixture.model().library()->setSelection(
        { QStringLiteral("apple:sets"), QStringLiteral("spotify:drive") });
    ScreenFixture::settle();
    return w;
}

QWidget* filtered(ScreenFixture& fixture)
{
    fixture.setPlaylists(library());
    MainWindow* w = window(fixture);
    fixture.loadLibrary();
    w->sidebar()->filterField()->setText(QStringLiteral("Apple: set"));
    return w;
}

const ScreenRegistration registration {
    { QStringLiteral("main-loading"), kWindow, loading },
    { QStringLiteral("main-failed"), kWindow, failed },
    { QStringLiteral("main-helper-gone"), kWindow, helperGone },
    { QStringLiteral("main-no-playlists"), kWindow, noPlaylists },
    { QStringLiteral("main-list"), kWindow, list },
    { QStringLiteral("main-filtered"), kWindow, filtered },
};

} // namespace

} // namespace mivo::screens
