#include "Support/UserDefaults.h"

#include "BuildConfig.h"

#include <QSettings>

namespace mivo {

UserDefaults::UserDefaults(const QString& path, QObject* parent)
    : UserDefaults(std::make_unique<QSettings>(path, QSettings::IniFormat), parent)
{
}

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        QString::fromUtf8(build::kAppId), QStringLiteral("mivo")));
    return defaults;
}

bool UserDefaults::boolValue(const QString& key, bool defaultValue) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return defaultValue;
    // A value written by hand may be text; only a recognisable boolean counts.
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == u"true" || text == u"1" || text == u"yes")
        return true;
    if (text == u"false" || text == u"0" || text == u"no")
        return false;
    return defaultValue;
}

QString UserDefaults::stringValue(const QString& key, const QString& defaultValue) const
{
    const QVariant value = m_settings->value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void UserDefaults::setBool(const QString& key, bool value)
{
    store(key, value);
}

void UserDefaults::setString(const QString& key, const QString& value)
{
    store(key, value);
}

void UserDefaults::store(const QString& key, const QVariant& value)
{
    const QVariant old = m_settings->value(key);
    if (old.isValid() && old.toString() == value.toString())
        return;
    m_settings->setValue(key, value);
    m_settings->sync();
    emit valueChanged(key);
}

} // namespace mivo
