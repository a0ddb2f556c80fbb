#pragma once

#include "Styling/AccessibilityPreferences.h"

#include <QDBusConnection>
#include <QVariant>
#include <optional>
#include <qcoro/qcorotask.h>

class QDBusVariant;

namespace mivo {

// The desktop's accessibility settings, read from the desktop portal's
// Settings interface on the session bus and followed live through its
// SettingChanged signal:
// - reduce motion: GNOME's org.gnome.desktop.interface enable-animations off,
//   KDE's org.kde.kdeglobals.KDE AnimationDurationFactor 0, or the portal's
//   own org.freedesktop.appearance reduced-motion 1;
// - increase contrast: org.freedesktop.appearance contrast 1, or GNOME's
//   org.gnome.desktop.a11y.interface high-contrast on;
// - reduce transparency: no desktop publishes such a setting through the
//   portal (neither GNOME nor KDE has one), so it stays off; increased
//   contrast and the application's own "reduceGlassEffects" preference still
//   ask for opaque surfaces.
// Without a session bus or a portal each setting stays off, and the log says
// once why. Nothing here waits for the bus: the first read is asynchronous,
// and `changed` is emitted when it or a later change turns a setting.
class SystemAccessibilityPreferences : public AccessibilityPreferences {
    Q_OBJECT

public:
    // Reads from the session bus.
    explicit SystemAccessibilityPreferences(QObject* parent = nullptr);
    // Reads from the portal on `bus`.
    explicit SystemAccessibilityPreferences(QDBusConnection bus, QObject* parent = nullptr);

    static SystemAccessibilityPreferences& shared();

    bool reduceTransparency() const override { return false; }
    bool reduceMotion() const override;
    bool increaseContrast() const override;

    // Whether the first read has ended, with the portal's settings or without a portal.
    bool hasRead() const { return m_hasRead; }

signals:
    // The first read has ended.
    void firstReadEnded();

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QCoro::Task<void> readAll();
    // Takes one setting the desktop reported; true when it is one read here.
    bool take(const QString& group, const QString& key, const QVariant& value);
    void finishRead();

    QDBusConnection m_bus;
    bool m_hasRead = false;
    std::optional<bool> m_gnomeAnimations;
    std::optional<double> m_kdeAnimationFactor;
    std::optional<uint> m_reducedMotion;
    std::optional<uint> m_contrast;
    std::optional<bool> m_gnomeHighContrast;
};

} // namespace mivo
