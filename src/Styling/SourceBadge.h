#pragma once

#include "Styling/Tokens.h"
#include "Transport/PlaylistRecords.h"

#include <QWidget>
#include <optional>

namespace mivo {

// The download source of a file: its logo and name in the source's colour. With
// no style it shows nothing at all (the widget stays hidden).
class SourceBadge : public QWidget {
    Q_OBJECT

public:
    using Style = Tokens::Source::DownloadSourceStyle;

    explicit SourceBadge(const std::optional<Style>& style, QWidget* parent = nullptr);
    // No style for no meta or a meta without a source; otherwise the style of its
    // source text, "Unknown" for text that names no known download source.
    explicit SourceBadge(const std::optional<TrackMeta>& meta, QWidget* parent = nullptr);

    static std::optional<Style> styleFor(const std::optional<TrackMeta>& meta);

    std::optional<Style> sourceStyle() const { return m_style; }

    static QFont font(const QFont& base);
    static QSizeF sizeFor(const Style& style, const QFont& font);
    // Draw the badge left-aligned and vertically centred in `rect`.
    static void paint(QPainter& painter, const QRectF& rect, const Style& style, const QFont& font,
        const QPalette& palette);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Style> m_style;
};

} // namespace mivo
