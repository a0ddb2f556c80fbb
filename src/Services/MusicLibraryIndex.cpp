#include "Services/MusicLibraryIndex.h"

#include "Base/Log.h"

#include <limits>

namespace mivo {

MusicLibraryIndex::MusicLibraryIndex(MusicLibraryOpener opener)
    : m_opener(std::move(opener))
{
}

MusicLibrary* MusicLibraryIndex::ensureLibrary()
{
    switch (m_state) {
    case State::opened:
        return m_library.get();
    case State::unavailable:
        return nullptr;
    case State::notTried:
        break;
    }
    QString failure;
    try {
        m_library = m_opener ? m_opener() : nullptr;
        if (!m_library)
            failure = QStringLiteral("no library was returned");
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!failure.isEmpty()) {
        qCWarning(lcArtwork).noquote() << QStringLiteral("MusicLibrary unavailable: %1").arg(failure);
        m_state = State::unavailable;
        m_available = false;
        return nullptr;
    }
    m_state = State::opened;
    m_available = true;
    return m_library.get();
}

void MusicLibraryIndex::ensureIndex()
{
    if (m_indexed)
        return;
    MusicLibrary* library = ensureLibrary();
    if (!library)
        return;
    m_indexed = true;
    for (const auto& item : library->allMediaItems()) {
        if (item)
            m_itemsByPersistentID.insert(item->persistentID(), item);
    }
}

std::shared_ptr<const MusicLibraryItem> MusicLibraryIndex::mediaItem(const QString& persistentID) const
{
    if (persistentID.isEmpty())
        return nullptr;
    for (const int base : { 16, 10 }) {
        if (const auto id = parsePersistentID(persistentID, base)) {
            if (const auto found = m_itemsByPersistentID.constFind(*id);
                found != m_itemsByPersistentID.cend())
                return *found;
        }
    }
    return nullptr;
}

std::optional<quint64> MusicLibraryIndex::parsePersistentID(QStringView text, int base)
{
    if (text.startsWith(u'+'))
        text = text.mid(1);
    if (text.isEmpty())
        return std::nullopt;
    constexpr quint64 kMax = std::numeric_limits<quint64>::max();
    quint64 value = 0;
    for (const QChar c : text) {
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (c >= u'a' && c <= u'z')
            digit = c.unicode() - u'a' + 10;
        else if (c >= u'A' && c <= u'Z')
            digit = c.unicode() - u'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        if (value > (kMax - quint64(digit)) / quint64(base))
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
    }
    return value;
}

} // namespace mivo
