#include "Views/Detail/LibraryDetailView.h"

#include "App/AppModel.h"
#include "Views/ActivityIndicator.h"
#include "Views/ContentUnavailableView.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/Detail/OverallSummaryBar.h"
#include "Views/Detail/PreviewSummaryBar.h"

#include <QKeySequence>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace mivo {

LibraryDetailView::Content LibraryDetailView::choose(const State& state)
{
    if (state.startupError)
        return Content::helperUnavailable;
    if (state.syncGroups || state.syncLive)
        return Content::sync;
    if (state.library && state.selection && state.preview)
        return Content::preview;
    return state.library ? Content::selectPlaylist : Content::progress;
}

QString LibraryDetailView::selectPlaylistDescription()
{
    return tr("Choose a playlist in the sidebar to see its tracks, "
              "then press Sync (%1) to download.")
        .arg(QKeySequence(Qt::CTRL | Qt::Key_R).toString(QKeySequence::NativeText));
}

LibraryDetailView::LibraryDetailView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_pages(new QStackedLayout(this))
    , m_progressPage(new QWidget(this))
    , m_unavailablePage(new ContentUnavailableView(
          QStringLiteral("exclamationmark.triangle"), tr("Helper Unavailable"), QString(), this))
    , m_emptyPage(new ContentUnavailableView(
          QStringLiteral("music.note.list"), tr("Select a Playlist"), selectPlaylistDescription(), this))
    , m_groupsPage(new QWidget(this))
    , m_groupsLayout(new QVBoxLayout(m_groupsPage))
    , m_overallBar(new OverallSummaryBar(model.sync(), m_groupsPage))
    , m_list(new LibraryDetailList(model, m_groupsPage))
{
    setObjectName(QStringLiteral("libraryDetail"));
    auto* progressLayout = new QVBoxLayout(m_progressPage);
    progressLayout->addWidget(new ActivityIndicator(20, m_progressPage), 0, Qt::AlignCenter);

    m_groupsLayout->setContentsMargins(0, 0, 0, 0);
    m_groupsLayout->setSpacing(0);
    m_groupsLayout->addWidget(m_overallBar);
    m_groupsLayout->addWidget(m_list, 1);

    m_pages->addWidget(m_progressPage);
    m_pages->addWidget(m_unavailablePage);
    m_pages->addWidget(m_emptyPage);
    m_pages->addWidget(m_groupsPage);

    connect(&m_model, &AppModel::startupErrorChanged, this, &LibraryDetailView::refresh);
    connect(&m_model, &AppModel::attached, this, &LibraryDetailView::attach);
    connect(&m_model.sync(), &SyncStore::groupsChanged, this, &LibraryDetailView::refresh);
    connect(&m_model.sync(), &SyncStore::phaseChanged, this, &LibraryDetailView::refresh);
    attach();
}

void LibraryDetailView::attach()
{
    LibraryStore* library = m_model.library();
    PreviewStore* preview = m_model.preview();
    m_list->detailModel().setLibrary(library);
    if (library) {
        disconnect(library, nullptr, this, nullptr);
        connect(library, &LibraryStore::selectedPlaylistCountChanged, this, &LibraryDetailView::refresh);
    }
    if (preview && !m_previewBar) {
        m_previewBar = new PreviewSummaryBar(*preview, m_groupsPage);
        m_groupsLayout->insertWidget(1, m_previewBar);
    }
    refresh();
}

void LibraryDetailView::refresh()
{
    State state;
    state.startupError = m_model.startupError().has_value();
    state.syncGroups = !m_model.sync().groups().isEmpty();
    state.syncLive = m_model.sync().isRunning();
    state.library = m_model.library() != nullptr;
    state.preview = m_model.preview() != nullptr;
    state.selection = m_model.library() && m_model.library()->selectedPlaylistCount() > 0;
    m_content = choose(state);

    if (m_model.startupError())
        m_unavailablePage->setDescription(*m_model.startupError());
    switch (m_content) {
    case Content::progress:
        m_pages->setCurrentWidget(m_progressPage);
        m_list->detailModel().showNothing();
        break;
    case Content::helperUnavailable:
        m_pages->setCurrentWidget(m_unavailablePage);
        m_list->detailModel().showNothing();
        break;
    case Content::selectPlaylist:
        m_pages->setCurrentWidget(m_emptyPage);
        m_list->detailModel().showNothing();
        break;
    case Content::sync:
        m_list->detailModel().showSync(m_model.sync());
        m_overallBar->show();
        if (m_previewBar)
            m_previewBar->hide();
        m_pages->setCurrentWidget(m_groupsPage);
        break;
    case Content::preview:
        m_list->detailModel().showPreview(*m_model.preview());
        m_overallBar->hide();
        m_previewBar->show();
        m_pages->setCurrentWidget(m_groupsPage);
        break;
    }
}

} // namespace mivo
