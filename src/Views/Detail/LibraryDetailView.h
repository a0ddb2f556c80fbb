#pragma once

#include <QWidget>

class QStackedLayout;
class QVBoxLayout;

namespace mivo {

class AppModel;
class ContentUnavailableView;
class LibraryDetailList;
class OverallSummaryBar;
class PreviewSummaryBar;

// The detail column of the main window. It shows, in this order of priority:
// the error that kept the helper from starting; the groups of the current or
// last sync run, and a run under way even before its first playlist (its
// summary bar says "Preparing…" while the start waits); the preview of the
// selected playlists; otherwise what to do
// ("Select a Playlist"), or a progress indicator while the library is not there
// yet. Both group lists are one scrolling list under a summary bar pinned to
// the top.
class LibraryDetailView : public QWidget {
    Q_OBJECT

public:
    enum class Content { progress, helperUnavailable, sync, preview, selectPlaylist };

    // What the choice depends on.
    struct State {
        bool startupError = false;
        bool syncGroups = false; // the sync store holds groups
        bool library = false; // the library store exists
        bool preview = false; // the preview store exists
        bool selection = false; // the selection holds a playlist that is not a folder
        bool syncLive = false; // a run is preparing, running or finishing
        bool operator==(const State&) const = default;
    };
    static Content choose(const State& state);

    explicit LibraryDetailView(AppModel& model, QWidget* parent = nullptr);

    Content content() const { return m_content; }
    LibraryDetailList& list() { return *m_list; }
    // The text under "Select a Playlist", naming the Sync shortcut of this
    // system.
    static QString selectPlaylistDescription();

private:
    void attach();
    void refresh();

    AppModel& m_model;
    Content m_content = Content::progress;
    QStackedLayout* m_pages;
    QWidget* m_progressPage;
    ContentUnavailableView* m_unavailablePage;
    ContentUnavailableView* m_emptyPage;
    QWidget* m_groupsPage;
    QVBoxLayout* m_groupsLayout;
    OverallSummaryBar* m_overallBar;
    PreviewSummaryBar* m_previewBar = nullptr;
    LibraryDetailList* m_list;
};

} // namespace mivo
