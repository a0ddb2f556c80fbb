#include "Services/ArtworkCacheKey.h"

#include <QCryptographicHash>
#include <QStringList>
#include <cmath>

namespace mivo::ArtworkCacheKey {

namespace {
constexpr qsizetype kMosaicTiles = 4;
const QString kExtension = QStringLiteral(".img");
} // namespace

bool isUsableSize(double size)
{
    return std::isfinite(size) && size > 0 && size <= kMaxSize;
}

std::optional<QString> forRef(const ArtworkRef& ref, double size)
{
    if (!isUsableSize(size))
        return std::nullopt;
    const QString body = std::visit(
        [](const auto& value) -> QString {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, ArtworkRef::Url>)
                return QStringLiteral("u:") + QString::fromUtf8(value.url.toEncoded());
            else if constexpr (std::is_same_v<T, ArtworkRef::AppleMusic>)
                return QStringLiteral("a:") + value.persistentID;
            else if constexpr (std::is_same_v<T, ArtworkRef::Mosaic>)
                return QStringLiteral("m:") + QStringList(value.trackIds.mid(0, kMosaicTiles)).join(u',');
            else
                return QStringLiteral("n");
        },
        ref.value);
    return body + u'@' + QString::number(static_cast<qint64>(size));
}

QString tile(const QString& mosaicKey, const QString& trackId)
{
    return mosaicKey + u'#' + trackId;
}

QString fileName(const QString& key)
{
    const QByteArray utf8 = key.toUtf8();
    QByteArray name = utf8.toBase64();
    name.replace('/', '_').replace('+', '-');
    name += kExtension.toLatin1();
    if (name.size() <= kMaxFileNameBytes)
        return QString::fromLatin1(name);
    const QByteArray digest = QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("h") + QString::fromLatin1(digest) + kExtension;
}

} // namespace mivo::ArtworkCacheKey
