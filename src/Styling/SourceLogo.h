#pragma once

#include "Styling/ThemeColor.h"
#include "Transport/WireVocabulary.h"

#include <QWidget>

namespace mivo {

// A square service logo: the service's monogram in white on a rounded square of
// its accent colour. Read by assistive technology as the service's name. The
// edge length is kept between 0 and 4096 (0 for a length that is not a number).
class SourceLogo : public QWidget {
    Q_OBJECT

public:
    SourceLogo(const QString& asset, const ThemeColor& accent, const QString& name, qreal size,
        QWidget* parent = nullptr);
    SourceLogo(PlaylistSourceId source, qreal size, QWidget* parent = nullptr);
    SourceLogo(SourceId source, qreal size, QWidget* parent = nullptr);

    QString asset() const { return m_asset; }
    ThemeColor accent() const { return m_accent; }
    QString name() const { return m_name; }
    qreal logoSize() const { return m_size; }

    // The glyph's margin and the square's corner radius at edge length `size`.
    static qreal padding(qreal size) { return size * 0.24; }
    static qreal cornerRadius(qreal size) { return size * 0.28; }

    // Draw a logo into the largest square centred in `rect`.
    static void paint(QPainter& painter, const QRectF& rect, const QString& asset, const QColor& accent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_asset;
    ThemeColor m_accent;
    QString m_name;
    qreal m_size;
};

} // namespace mivo
