#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSettings;

namespace mivo {

// The application's interface preferences ("user defaults"). Only interface
// choices live here; configuration and secrets belong to the helper.
// Production code uses standard(); tests build one over a file in a temporary folder.
class UserDefaults : public QObject {
    Q_OBJECT

public:
    // Keys of the stored preferences.
    static constexpr char kDidOnboard[] = "didOnboard";
    static constexpr char kReduceGlassEffects[] = "reduceGlassEffects";
    static constexpr char kAppAppearance[] = "appAppearance";

    // Preferences kept in the INI file at `path`.
    explicit UserDefaults(const QString& path, QObject* parent = nullptr);
    explicit UserDefaults(std::unique_ptr<QSettings> settings, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The user's preferences of this application.
    static UserDefaults& standard();

    bool boolValue(const QString& key, bool defaultValue = false) const;
    QString stringValue(const QString& key, const QString& defaultValue = {}) const;

    // Store a value; valueChanged is emitted only when the stored value changes.
    void setBool(const QString& key, bool value);
    void setString(const QString& key, const QString& value);

signals:
    void valueChanged(const QString& key);

private:
    void store(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace mivo
