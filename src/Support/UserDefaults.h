#pragma once

#include "Transport/Vocabulary.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <optional>

namespace mivo {

// The colour scheme the user picked for the application's windows.
enum class AppAppearance { system, light, dark };
MIVO_VOCABULARY(AppAppearance, { AppAppearance::system, "system" }, { AppAppearance::light, "light" },
    { AppAppearance::dark, "dark" });

// The user's preferences that the application keeps itself (everything else
// lives with the helper):
//   "didOnboard"          Bool, false until set: the setup wizard has been run
//   "reduceGlassEffects"  Bool, default false: draw opaque surfaces instead of glass
//   "appAppearance"       "system", "light" or "dark", default "system"
//   "mainWindowGeometry"  bytes of QWidget::saveGeometry(): the main window's last place
//   "mainWindowSplitter"  bytes of QSplitter::saveState(): its columns' last widths
// A stored value of the wrong kind reads as the default. Each setter notifies
// through its signal only when the stored value changes through this object;
// the window's place and widths notify nobody (the window reads them as it opens).
class UserDefaults : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool didOnboard READ didOnboard WRITE setDidOnboard NOTIFY didOnboardChanged)
    Q_PROPERTY(bool reduceGlassEffects READ reduceGlassEffects WRITE setReduceGlassEffects NOTIFY
            reduceGlassEffectsChanged)
    Q_PROPERTY(mivo::AppAppearance appAppearance READ appAppearance WRITE setAppAppearance NOTIFY
            appAppearanceChanged)

public:
    static constexpr auto kDidOnboard = "didOnboard";
    static constexpr auto kReduceGlassEffects = "reduceGlassEffects";
    static constexpr auto kAppAppearance = "appAppearance";
    static constexpr auto kMainWindowGeometry = "mainWindowGeometry";
    static constexpr auto kMainWindowSplitter = "mainWindowSplitter";

    using QObject::QObject;

    // The process-wide defaults of the running user (a QSettingsUserDefaults).
    static UserDefaults& standard();

    bool didOnboard() const;
    void setDidOnboard(bool value);

    bool reduceGlassEffects() const;
    void setReduceGlassEffects(bool value);

    AppAppearance appAppearance() const;
    void setAppAppearance(AppAppearance value);

    // Empty when none has been stored.
    QByteArray mainWindowGeometry() const;
    void setMainWindowGeometry(const QByteArray& value);
    QByteArray mainWindowSplitter() const;
    void setMainWindowSplitter(const QByteArray& value);

signals:
    void didOnboardChanged();
    void reduceGlassEffectsChanged();
    void appAppearanceChanged();

protected:
    // The stored value of a key, nothing when the key has none.
    virtual std::optional<QVariant> value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;

private:
    bool boolValue(const QString& key, bool fallback) const;
    QByteArray bytesValue(const QString& key) const;
    void setBytesValue(const QString& key, const QByteArray& value);
};

// User defaults kept with QSettings: by default in the user's native settings
// store under the application's identifier, or in a given INI file.
class QSettingsUserDefaults : public UserDefaults {
    Q_OBJECT

public:
    explicit QSettingsUserDefaults(QObject* parent = nullptr);
    explicit QSettingsUserDefaults(const QString& iniFilePath, QObject* parent = nullptr);

protected:
    std::optional<QVariant> value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;

private:
    mutable QSettings m_settings;
};

} // namespace mivo
