#pragma once

#include "Transport/PlaylistRecords.h"

#include <QObject>
#include <QString>

class QPainter;
class QPalette;
class QRectF;

namespace mivo {

// Artwork squares in the detail's rows, from the shared artwork loader: the
// image once it is in memory, the placeholder until then.
class DetailArtwork : public QObject {
    Q_OBJECT

public:
    explicit DetailArtwork(QObject* parent = nullptr);

    // Draws `ref` at the edge length of `rect` (in points).
    void paint(QPainter& painter, const QRectF& rect, const ArtworkRef& ref, const QString& placeholderSymbol,
        qreal cornerRadius, const QPalette& palette) const;
    // The loader's key of `ref` at `size` points; rows compare it with
    // imageReady's.
    static QString key(const ArtworkRef& ref, qreal size);

signals:
    // The image of `key` arrived; rows showing it should repaint.
    void imageReady(const QString& key);
};

} // namespace mivo
