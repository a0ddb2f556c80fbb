#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace mivo {

// One media item of the user's local music library.
class MusicLibraryItem {
public:
    virtual ~MusicLibraryItem() = default;
    virtual quint64 persistentID() const = 0;
    // The bytes of the item's cover art as stored, or nothing when it has none.
    virtual std::optional<QByteArray> artworkImageData() const = 0;
};

// The user's local music library, opened for reading.
class MusicLibrary {
public:
    virtual ~MusicLibrary() = default;
    virtual QList<std::shared_ptr<const MusicLibraryItem>> allMediaItems() const = 0;
};

// Opening the library failed; what() says why.
struct MusicLibraryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Opens the library or throws MusicLibraryError. Called on a worker thread.
using MusicLibraryOpener = std::function<std::unique_ptr<MusicLibrary>()>;

// The system's local music library. This system keeps none that can be read,
// so it always throws MusicLibraryError saying so.
std::unique_ptr<MusicLibrary> openSystemMusicLibrary();

} // namespace mivo
