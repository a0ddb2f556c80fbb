#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <variant>

namespace mivo {

// Where a picture for a playlist or track comes from.
struct ArtworkRef {
    struct Url {
        QUrl url;
        bool operator==(const Url&) const = default;
    };
    struct AppleMusic {
        QString persistentID;
        bool operator==(const AppleMusic&) const = default;
    };
    struct Mosaic {
        QList<QString> trackIds;
        bool operator==(const Mosaic&) const = default;
    };
    struct None {
        bool operator==(const None&) const = default;
    };

    std::variant<Url, AppleMusic, Mosaic, None> value = None {};

    static ArtworkRef none() { return { None {} }; }
    static ArtworkRef url(QUrl url) { return { Url { std::move(url) } }; }
    static ArtworkRef appleMusic(QString persistentID) { return { AppleMusic { std::move(persistentID) } }; }
    static ArtworkRef mosaic(QList<QString> trackIds) { return { Mosaic { std::move(trackIds) } }; }

    bool operator==(const ArtworkRef&) const = default;
};

} // namespace mivo
