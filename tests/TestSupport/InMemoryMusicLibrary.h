#pragma once

#include "Services/MusicLibrary.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

namespace mivo::test {

// A music library held in memory, for tests of artwork from library items.
class InMemoryMusicLibrary : public MusicLibrary {
public:
    struct Item : MusicLibraryItem {
        quint64 id = 0;
        std::optional<QByteArray> artwork;

        Item(quint64 id, std::optional<QByteArray> artwork)
            : id(id)
            , artwork(std::move(artwork))
        {
        }
        quint64 persistentID() const override { return id; }
        std::optional<QByteArray> artworkImageData() const override { return artwork; }
    };

    void add(quint64 id, std::optional<QByteArray> artwork)
    {
        m_items.append(std::make_shared<Item>(id, std::move(artwork)));
    }
    QList<std::shared_ptr<const MusicLibraryItem>> allMediaItems() const override { return m_items; }

    // An opener that hands out copies of this library and counts its calls.
    MusicLibraryOpener opener(int* calls = nullptr) const
    {
        return [items = m_items, calls] {
            if (calls)
                ++*calls;
            auto library = std::make_unique<InMemoryMusicLibrary>();
            library->m_items = items;
            return std::unique_ptr<MusicLibrary>(std::move(library));
        };
    }

    // PNG bytes of a square of one colour.
    static QByteArray png(QColor colour, int edge = 64)
    {
        QImage image(edge, edge, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

private:
    QList<std::shared_ptr<const MusicLibraryItem>> m_items;
};

} // namespace mivo::test
