#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <qcoro/qcorotask.h>

class QPushButton;
class QStringListModel;

namespace mivo {

class AppModel;
class DisclosurePanel;
class ElidedLabel;
class FittedListView;
class OrphansStore;
class SymbolLabel;

// The card along the bottom edge of the main window about leftover files in the
// output folder: how many there are, and Show (folds open the first ten of
// them, each with a reveal button), Keep (hides the card for good) and Move to Trash (all of
// them, through the helper; disabled while that request is out). A failed trash
// shows the store's error on the card and the files stay listed. The card is
// visible only while the store has files the user has not dismissed.
class OrphansBanner : public QWidget {
    Q_OBJECT

public:
    static constexpr int kListedFiles = 10;
    // How a file is shown in the file manager (true when it was); the real one
    // unless a test gives its own. When no file manager could show it, the sync
    // banner says so.
    using Reveal = std::function<QCoro::Task<bool>(QString path)>;

    explicit OrphansBanner(AppModel& model, QWidget* parent = nullptr);

    void setReveal(Reveal reveal) { m_reveal = std::move(reveal); }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    // For tests and screens: what the card shows.
    QString summaryText() const;
    QString moreText() const;
    QString errorText() const;
    QStringList listedPaths() const;
    FittedListView* fileList() const { return m_files; }
    QPushButton* showButton() const { return m_show; }
    QPushButton* keepButton() const { return m_keep; }
    QPushButton* trashButton() const { return m_trash; }
    DisclosurePanel* listPanel() const { return m_listReveal; }

    // "and 1 more file…", "and 15 more files…"
    static QString moreFilesText(qint64 count);
    // "1 leftover file no longer in your playlists"
    static QString summaryFor(qint64 count);

private:
    void rebind();
    void refresh();
    void moveToTrash();
    QCoro::Task<void> reveal(QString path);

    QPointer<AppModel> m_model;
    QPointer<OrphansStore> m_store;
    Reveal m_reveal;
    bool m_expanded = false;
    SymbolLabel* m_summary;
    QPushButton* m_show;
    QPushButton* m_keep;
    QPushButton* m_trash;
    ElidedLabel* m_error;
    QWidget* m_list;
    DisclosurePanel* m_listReveal;
    QStringListModel* m_listed;
    FittedListView* m_files;
    ElidedLabel* m_more;
};

} // namespace mivo
