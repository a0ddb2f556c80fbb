#include "Styling/SystemAccessibilityPreferences.h"

#include "BuildConfig.h"

#include <QCoroDBusPendingCall>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <string>

namespace mivo {

namespace {

const std::string kCategoryName = mivo::build::kAppId + std::string(".accessibility");
Q_LOGGING_CATEGORY(lcAccessibility, kCategoryName.c_str())

const auto kService = QStringLiteral("org.freedesktop.portal.Desktop");
const auto kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const auto kInterface = QStringLiteral("org.freedesktop.portal.Settings");

const auto kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const auto kGnomeA11yInterface = QStringLiteral("org.gnome.desktop.a11y.interface");
const auto kKdeGlobals = QStringLiteral("org.kde.kdeglobals.KDE");
const auto kAppearance = QStringLiteral("org.freedesktop.appearance");

using SettingGroups = QMap<QString, QVariantMap>;

// A value as the portal sends it: Read wraps it in a second variant.
QVariant unwrapped(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

std::optional<bool> asBool(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    return value.toBool();
}

// A number, also when it comes as text (KDE's portal sends its settings file's entries so).
std::optional<double> asNumber(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

std::optional<uint> asUnsigned(const QVariant& value)
{
    bool ok = false;
    const uint number = value.toUInt(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// The session bus when the desktop has one. Without an address or a bus in the
// runtime folder the bus library would start a bus of its own for the display,
// which outlives the application and has no portal on it.
QDBusConnection desktopSessionBus()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus")))
            return QDBusConnection(QStringLiteral("no session bus"));
    }
    return QDBusConnection::sessionBus();
}

} // namespace

SystemAccessibilityPreferences::SystemAccessibilityPreferences(QObject* parent)
    : SystemAccessibilityPreferences(desktopSessionBus(), parent)
{
}

SystemAccessibilityPreferences::SystemAccessibilityPreferences(QDBusConnection bus, QObject* parent)
    : AccessibilityPreferences(parent)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected()) {
        qCInfo(lcAccessibility).noquote()
            << QStringLiteral("No session bus (%1): reduce motion and increased contrast stay off.")
                   .arg(m_bus.lastError().message());
        m_hasRead = true;
        return;
    }
    qDBusRegisterMetaType<SettingGroups>();
    // Listened to before the first read, so that no change is missed in between.
    // From any sender: naming the portal's service would make the toolkit ask the
    // bus for its owner there and then, waiting for the answer.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("SettingChanged"), this,
        SLOT(settingChanged(QString, QString, QDBusVariant)));
    readAll();
}

SystemAccessibilityPreferences& SystemAccessibilityPreferences::shared()
{
    static SystemAccessibilityPreferences preferences;
    return preferences;
}

bool SystemAccessibilityPreferences::reduceMotion() const
{
    return m_gnomeAnimations == false || m_kdeAnimationFactor == 0.0 || m_reducedMotion == 1u;
}

bool SystemAccessibilityPreferences::increaseContrast() const
{
    return m_contrast == 1u || m_gnomeHighContrast == true;
}

QCoro::Task<void> SystemAccessibilityPreferences::readAll()
{
    const QPointer<SystemAccessibilityPreferences> self(this);
    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("ReadAll"));
    call << QStringList { kGnomeInterface, kGnomeA11yInterface, kKdeGlobals, kAppearance };
    QDBusPendingCall pending = m_bus.asyncCall(call);
    const QDBusMessage reply = co_await pending;
    if (!self)
        co_return;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lcAccessibility).noquote()
            << QStringLiteral("The desktop's settings could not be read (%1: %2): "
                              "reduce motion and increased contrast stay off.")
                   .arg(reply.errorName(), reply.errorMessage());
        finishRead();
        co_return;
    }
    const bool motion = reduceMotion();
    const bool contrast = increaseContrast();
    const auto groups = qdbus_cast<SettingGroups>(reply.arguments().constFirst());
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        for (auto setting = group->cbegin(); setting != group->cend(); ++setting)
            take(group.key(), setting.key(), setting.value());
    }
    qCInfo(lcAccessibility) << "Desktop settings read: reduce motion" << reduceMotion()
                            << "increased contrast" << increaseContrast();
    finishRead();
    if (motion != reduceMotion() || contrast != increaseContrast())
        emit changed();
}

void SystemAccessibilityPreferences::settingChanged(
    const QString& group, const QString& key, const QDBusVariant& value)
{
    const bool motion = reduceMotion();
    const bool contrast = increaseContrast();
    if (!take(group, key, value.variant()))
        return;
    if (motion != reduceMotion() || contrast != increaseContrast())
        emit changed();
}

bool SystemAccessibilityPreferences::take(const QString& group, const QString& key, const QVariant& value)
{
    const QVariant setting = unwrapped(value);
    if (group == kGnomeInterface && key == u"enable-animations")
        m_gnomeAnimations = asBool(setting);
    else if (group == kKdeGlobals && key == u"AnimationDurationFactor")
        m_kdeAnimationFactor = asNumber(setting);
    else if (group == kAppearance && key == u"reduced-motion")
        m_reducedMotion = asUnsigned(setting);
    else if (group == kAppearance && key == u"contrast")
        m_contrast = asUnsigned(setting);
    else if (group == kGnomeA11yInterface && key == u"high-contrast")
        m_gnomeHighContrast = asBool(setting);
    else
        return false;
    return true;
}

void SystemAccessibilityPreferences::finishRead()
{
    m_hasRead = true;
    emit firstReadEnded();
}

} // namespace mivo
