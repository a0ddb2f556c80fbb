#include "Support/UserDefaults.h"

#include "BuildConfig.h"

namespace mivo {

UserDefaults& UserDefaults::standard()
{
    static QSettingsUserDefaults defaults;
    return defaults;
}

bool UserDefaults::boolValue(const QString& key, bool fallback) const
{
    const std::optional<QVariant> stored = value(key);
    if (!stored)
        return fallback;
    if (stored->typeId() == QMetaType::Bool)
        return stored->toBool();
    // Text files keep booleans as words; anything but a clear yes or no is the default.
    const QString text = stored->toString().trimmed().toLower();
    if (text == u"true" || text == u"1" || text == u"yes")
        return true;
    if (text == u"false" || text == u"0" || text == u"no")
        return false;
    return fallback;
}

bool UserDefaults::didOnboard() const
{
    return boolValue(QString::fromLatin1(kDidOnboard), false);
}

void UserDefaults::setDidOnboard(bool value)
{
    if (didOnboard() == value)
        return;
    setValue(QString::fromLatin1(kDidOnboard), value);
    emit didOnboardChanged();
}

bool UserDefaults::reduceGlassEffects() const
{
    return boolValue(QString::fromLatin1(kReduceGlassEffects), false);
}

void UserDefaults::setReduceGlassEffects(bool value)
{
    if (reduceGlassEffects() == value)
        return;
    setValue(QString::fromLatin1(kReduceGlassEffects), value);
    emit reduceGlassEffectsChanged();
}

AppAppearance UserDefaults::appAppearance() const
{
    const std::optional<QVariant> stored = value(QString::fromLatin1(kAppAppearance));
    if (!stored)
        return AppAppearance::system;
    return fromRawString<AppAppearance>(stored->toString()).value_or(AppAppearance::system);
}

void UserDefaults::setAppAppearance(AppAppearance value)
{
    if (appAppearance() == value)
        return;
    setValue(QString::fromLatin1(kAppAppearance), rawString(value));
    emit appAppearanceChanged();
}

QByteArray UserDefaults::bytesValue(const QString& key) const
{
    const std::optional<QVariant> stored = value(key);
    return stored && stored->typeId() == QMetaType::QByteArray ? stored->toByteArray() : QByteArray();
}

void UserDefaults::setBytesValue(const QString& key, const QByteArray& value)
{
    if (bytesValue(key) != value)
        setValue(key, value);
}

QByteArray UserDefaults::mainWindowGeometry() const
{
    return bytesValue(QString::fromLatin1(kMainWindowGeometry));
}

void UserDefaults::setMainWindowGeometry(const QByteArray& value)
{
    setBytesValue(QString::fromLatin1(kMainWindowGeometry), value);
}

QByteArray UserDefaults::mainWindowSplitter() const
{
    return bytesValue(QString::fromLatin1(kMainWindowSplitter));
}

void UserDefaults::setMainWindowSplitter(const QByteArray& value)
{
    setBytesValue(QString::fromLatin1(kMainWindowSplitter), value);
}

QSettingsUserDefaults::QSettingsUserDefaults(QObject* parent)
    : UserDefaults(parent)
    , m_settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(build::kAppId),
          QStringLiteral("mivo"))
{
}

QSettingsUserDefaults::QSettingsUserDefaults(const QString& iniFilePath, QObject* parent)
    : UserDefaults(parent)
    , m_settings(iniFilePath, QSettings::IniFormat)
{
}

std::optional<QVariant> QSettingsUserDefaults::value(const QString& key) const
{
    if (!m_settings.contains(key))
        return std::nullopt;
    return m_settings.value(key);
}

void QSettingsUserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings.setValue(key, value);
    // Written through at once: a crash must not lose a choice the user made.
    m_settings.sync();
}

} // namespace mivo
