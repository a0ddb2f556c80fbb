#pragma once

#include "Transport/SyncRecords.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

class QLineEdit;
class QListView;
class QPushButton;
class QShortcut;
class QStackedWidget;
class QVBoxLayout;

namespace mivo {

class AppModel;
class ArtworkView;
class CandidateListModel;
class ConfidenceMeter;
class ElidedLabel;
class SymbolLabel;
class TrackModel;

// The content of the main window's review inspector: the track the focused
// review is about, its candidates, a field for a direct web address and the
// decisions (Skip, Use Selected or Use URL, Accept Best), or "All Caught Up"
// while nothing waits. A decision goes through the model, which moves the focus
// on. The only state of its own is the picked candidate (dropped whenever the
// focused track changes) and the text of the address field.
class ReviewInspector : public QWidget {
    Q_OBJECT

public:
    explicit ReviewInspector(AppModel& model, QWidget* parent = nullptr);

    // Gives the keyboard to the inspector: the candidates (the first one
    // current) when there are any, else the address field, else the inspector
    // itself. Escape anywhere inside closes the inspector. `reason` tells
    // whether a key or a click asked for it (a ring shows only for a key).
    void focusContent(Qt::FocusReason reason);

    // For tests and screens: what the inspector shows.
    bool showsTrack() const;
    QString positionText() const;
    bool showsStepper() const;
    CandidateListModel* candidates() const { return m_candidateModel; }
    QListView* candidateList() const { return m_candidateList; }
    QLineEdit* urlField() const { return m_url; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* useSelectedButton() const { return m_useSelected; }
    QPushButton* useURLButton() const { return m_useURL; }
    QPushButton* acceptBestButton() const { return m_acceptBest; }
    ConfidenceMeter* confidenceMeter() const { return m_meter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Holding the keyboard itself (all caught up), the inspector shows the style's focus frame.
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QWidget* buildEmptyState();
    QWidget* buildContent();
    QWidget* buildActionBar();
    void refresh();
    void updateActions();
    void decide(const ReviewDecision& decision);
    void submitURL();
    bool holdsFocus() const;
    void keepFocusAfterDecision(bool hadFocus);

    QPointer<AppModel> m_model;
    std::shared_ptr<TrackModel> m_track;
    std::optional<QString> m_shownId;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_empty = nullptr;
    QWidget* m_reviewing = nullptr;

    QWidget* m_stepper = nullptr;
    ElidedLabel* m_position = nullptr;
    ArtworkView* m_artwork = nullptr;
    ElidedLabel* m_title = nullptr;
    ElidedLabel* m_artist = nullptr;
    ElidedLabel* m_album = nullptr;
    QVBoxLayout* m_meterHolder = nullptr;
    ConfidenceMeter* m_meter = nullptr;
    SymbolLabel* m_duration = nullptr;
    QWidget* m_candidateSection = nullptr;
    ElidedLabel* m_noCandidates = nullptr;
    QListView* m_candidateList = nullptr;
    CandidateListModel* m_candidateModel = nullptr;
    QLineEdit* m_url = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_useSelected = nullptr;
    QPushButton* m_useURL = nullptr;
    QPushButton* m_acceptBest = nullptr;
};

} // namespace mivo
