#pragma once

#include "Services/MusicLibrary.h"

#include <QHash>
#include <QStringView>
#include <atomic>

namespace mivo {

// The local music library, opened on first use, and its items by persistent
// id. The library is opened at most once: a failure is logged once and not
// retried. The index is built once; items added later are not found until the
// next launch. Not thread-safe except for isAvailable(): one thread owns it.
class MusicLibraryIndex {
public:
    explicit MusicLibraryIndex(MusicLibraryOpener opener);

    // The opened library, or nullptr when it cannot be opened.
    MusicLibrary* ensureLibrary();
    // Indexes every item by its persistent id once (a later item with the same
    // id replaces an earlier one).
    void ensureIndex();
    // The item whose persistent id `persistentID` spells in hexadecimal or,
    // failing that, in decimal; nullptr when the index holds neither.
    std::shared_ptr<const MusicLibraryItem> mediaItem(const QString& persistentID) const;

    // True until opening the library has failed.
    bool isAvailable() const { return m_available.load(); }

    // An unsigned 64-bit number in `base` with an optional leading "+"; nothing
    // for any other character, an empty text or an overflow.
    static std::optional<quint64> parsePersistentID(QStringView text, int base);

private:
    enum class State { notTried, unavailable, opened };

    MusicLibraryOpener m_opener;
    State m_state = State::notTried;
    std::unique_ptr<MusicLibrary> m_library;
    QHash<quint64, std::shared_ptr<const MusicLibraryItem>> m_itemsByPersistentID;
    bool m_indexed = false;
    std::atomic<bool> m_available { true };
};

} // namespace mivo
