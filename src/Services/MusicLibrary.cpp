#include "Services/MusicLibrary.h"

namespace mivo {

std::unique_ptr<MusicLibrary> openSystemMusicLibrary()
{
    throw MusicLibraryError("there is no local Music library on Linux");
}

} // namespace mivo
