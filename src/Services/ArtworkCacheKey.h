#pragma once

#include "Transport/PlaylistRecords.h"

#include <QString>
#include <optional>

// Keys under which artwork is cached in memory and on disk, and the disk file
// name of a key.
namespace mivo::ArtworkCacheKey {

// The largest edge, in points, that artwork is ever requested at. Larger,
// non-positive and non-finite sizes have no key: they load nothing.
inline constexpr double kMaxSize = 4096;

// Whether `size` (points) is one that artwork can be requested at.
bool isUsableSize(double size);

// "u:<absolute URL>", "a:<persistent id>", "m:<up to four ids joined by ,>" or
// "n", then "@" and the size truncated to an integer. Nothing for an unusable
// size.
std::optional<QString> forRef(const ArtworkRef& ref, double size);

// The key of one tile of a mosaic: the mosaic's key, "#" and the track id.
QString tile(const QString& mosaicKey, const QString& trackId);

// The disk file name of a key: its UTF-8 bytes in Base64 with "/" → "_" and
// "+" → "-", plus ".img". A key whose name would be longer than a file name
// may be is named "h" + the SHA-256 of the key in hex + ".img" instead; that
// name is 65 characters before the extension, a length no Base64 text has.
QString fileName(const QString& key);

// The longest file name, in bytes, that the disk cache writes.
inline constexpr qsizetype kMaxFileNameBytes = 255;

} // namespace mivo::ArtworkCacheKey
