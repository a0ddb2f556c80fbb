#pragma once

#include <QString>
#include <optional>

namespace mivo {

// The application's bundle folder. A built application is laid out as
//   mivo.app/Contents/MacOS/mivo      the application
//   mivo.app/Contents/Helpers/mivo    the helper it drives
//   mivo.app/Contents/Resources/      files it opens, such as its help page
// so that everything the application ships sits in one folder that can be
// moved as a whole.
class Bundle {
public:
    // A bundle at `bundlePath`; its main executable is
    // "Contents/MacOS/<name without .app>" when that file exists.
    explicit Bundle(const QString& bundlePath);
    Bundle(const QString& bundlePath, std::optional<QString> mainExecutablePath);

    // The running application's bundle: three levels above the executable when
    // it sits in "<name>.app/Contents/MacOS/", else the executable's own folder.
    static Bundle main();
    static Bundle forExecutable(const QString& executablePath);

    QString bundlePath() const { return m_bundlePath; }
    std::optional<QString> mainExecutablePath() const { return m_mainExecutablePath; }

    // The file of that name beside the main executable (in "Contents/MacOS/"
    // when the bundle has no main executable), if one exists.
    std::optional<QString> auxiliaryExecutablePath(const QString& name) const;

    // The file at `relativePath` in "Contents/Resources/", if one exists.
    std::optional<QString> resourcePath(const QString& relativePath) const;

private:
    std::optional<QString> executableFolder() const;

    QString m_bundlePath;
    std::optional<QString> m_mainExecutablePath;
};

} // namespace mivo
