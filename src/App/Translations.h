#pragma once

namespace mivo::Translations {

// Installs the application's texts on the running application: the translation
// for the user's language where one ships, otherwise the English one, whose
// plural forms make "%n track(s)" read "1 track" and "2 tracks". Once per
// application; main() calls it, and so does every test program.
void install();

} // namespace mivo::Translations
