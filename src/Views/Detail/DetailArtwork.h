#pragma once

#include "Transport/PlaylistRecords.h"

#include <QObject>
#include <QString>

class QPainter;
class QPalette;
class QRectF;

namespace mivo {

// Artwork squares in the detail's rows: the image once it is loaded, the
// placeholder until then. A load that completes repaints the view's rows.
class DetailArtwork : public QObject {
    Q_OBJECT

public:
    explicit DetailArtwork(QObject* parent = nullptr);

    void paint(QPainter& painter, const QRectF& rect, const ArtworkRef& ref, const QString& placeholderSymbol,
        qreal cornerRadius, const QPalette& palette) const;

    static QString key(const ArtworkRef&, qreal) { return {}; }

signals:
    // An image arrived; rows showing it should repaint.
    void imageReady();
};

} // namespace mivo
