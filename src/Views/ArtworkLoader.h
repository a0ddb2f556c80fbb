#pragma once

#include "Base/MonotonicClock.h"
#include "Transport/PlaylistRecords.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

namespace mivo {

// Artwork for the views, keyed like the provider's caches (reference and size).
// A view asks at paint time and gets the image when it is in memory; otherwise
// the loader starts one load for that key, however many rows show it, and emits
// ready(key) when the load ends with an image, so that only the rows showing that
// key repaint. A `none` reference is never asked for. A key whose load gave
// nothing (no network, a picture that does not decode) is left alone for
// kRetryAfter, then loaded again the next time a row showing it is painted.
// Main thread only.
class ArtworkLoader : public QObject {
    Q_OBJECT

public:
    // Where images come from; the shared provider unless a test gives its own.
    struct Source {
        std::function<QImage(const ArtworkRef&, double)> cached; // memory only, never loads
        std::function<QCoro::Task<QImage>(ArtworkRef, double)> load; // the full lookup
    };

    // How long a failed key waits before it is tried again.
    static constexpr std::chrono::seconds kRetryAfter { 60 };

    explicit ArtworkLoader(QObject* parent = nullptr);
    explicit ArtworkLoader(Source source, QObject* parent = nullptr);
    // Failures timed on `clock` (a test's) instead of the system's monotonic clock.
    ArtworkLoader(Source source, MonotonicClock& clock, QObject* parent = nullptr);

    // The loader every view of the application shares, over ArtworkProvider::shared().
    static ArtworkLoader& shared();
    // Puts another loader in the shared one's place (tools that render the windows
    // with made-up artwork); none goes back to the provider's.
    static void setShared(ArtworkLoader* loader);

    // The key of a reference at an edge length in points; none for an unusable size.
    static std::optional<QString> key(const ArtworkRef& ref, double size);

    // The image for `ref` at `size` points when one is held in memory; otherwise a
    // null image, and a load is started unless one runs or the key failed before.
    QImage image(const ArtworkRef& ref, double size);

    // Whether the key's last load gave nothing and is not due again yet (its
    // views keep their placeholders).
    bool hasFailed(const QString& key) const;
    // Whether a load for the key is running.
    bool isLoading(const QString& key) const { return m_loading.contains(key); }

signals:
    // A load for `key` ended with an image; image() now returns it.
    void ready(const QString& key);

private:
    QCoro::Task<void> run(ArtworkRef ref, double size, QString key);

    Source m_source;
    MonotonicClock& m_clock;
    QSet<QString> m_loading;
    QHash<QString, MonotonicClock::Duration> m_failedAt; // when each failed key's load ended
    // Images loaded here, for when the provider's memory cache has already let them go.
    QCache<QString, QImage> m_loaded;
};

} // namespace mivo
