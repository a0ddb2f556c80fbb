#pragma once

#include "Transport/PlaylistRecords.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>

namespace mivo {

class ArtworkLoader;

// Cover art of a playlist or track as a small rounded square: the image once
// the artwork provider has it (at once when it is already in memory), a neutral
// placeholder with a symbol until then and whenever it cannot be loaded.
// Hidden from accessibility tools: it is decoration beside a named row.
class ArtworkView : public QWidget {
    Q_OBJECT

public:
    ArtworkView(const ArtworkRef& ref, qreal size, const QString& placeholderSymbol, qreal cornerRadius,
        QWidget* parent = nullptr);
    // With the placeholder symbol "music.note".
    ArtworkView(const ArtworkRef& ref, qreal size, qreal cornerRadius, QWidget* parent = nullptr);

    // A loader other than the shared one (tests); set before the view is shown.
    void setLoader(ArtworkLoader* loader);

    const ArtworkRef& ref() const { return m_ref; }
    qreal artworkSize() const { return m_size; }
    QString placeholderSymbol() const { return m_placeholderSymbol; }
    qreal cornerRadius() const { return m_cornerRadius; }
    // The image shown now; null while the placeholder shows.
    const QImage& image() const { return m_image; }

    // A new reference or size shows its image at once when it is in memory, and
    // the placeholder until it arrives otherwise; the old key's late result is ignored.
    void setRef(const ArtworkRef& ref);
    void setArtworkSize(qreal size);
    void setPlaceholderSymbol(const QString& symbol);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void reload();
    void take(const QString& key);

    ArtworkLoader* m_loader;
    ArtworkRef m_ref;
    qreal m_size;
    QString m_placeholderSymbol;
    qreal m_cornerRadius;
    std::optional<QString> m_key;
    QImage m_image;
};

} // namespace mivo
