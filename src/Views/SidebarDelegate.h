#pragma once

#include <QStyledItemDelegate>

namespace mivo {

class ArtworkLoader;
class SidebarModel;

// Paints the sidebar's rows: section headers with the source's logo, name and
// playlist count; playlists with artwork, name and track count; folders with a
// disclosure chevron (the sidebar's list opens or closes a folder at a press on it).
class SidebarDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kHeaderHeight = 30;
    static constexpr int kPlaylistHeight = 34;
    static constexpr int kFolderHeight = 28;
    static constexpr int kIndent = 16; // per level of depth
    static constexpr int kLeading = 14; // from the row's edge to depth 0
    static constexpr int kChevronWidth = 12;

    SidebarDelegate(SidebarModel& model, ArtworkLoader& loader, QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where a folder row's disclosure chevron lies in its cell.
    static QRect chevronRect(const QRect& cell, int depth);
    // The line under a playlist's name: "1 track", "12 tracks".
    static QString trackCountText(qint64 count);

private:
    void paintHeader(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintPlaylist(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintFolder(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    SidebarModel& m_model;
    ArtworkLoader& m_loader;
};

} // namespace mivo
