#include "Styling/GlassEnvironment.h"

#include "Styling/AccessibilityPreferences.h"
#include "Styling/Availability.h"
#include "Support/UserDefaults.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace mivo::GlassEnvironment {

namespace {
constexpr char kProperty[] = "mivoGlassResolver";
}

void set(QWidget* root, const GlassResolver& resolver)
{
    const QVariant old = root->property(kProperty);
    if (old.isValid() && old.value<GlassResolver>() == resolver)
        return;
    root->setProperty(kProperty, QVariant::fromValue(resolver));
    root->update();
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->update();
}

GlassResolver of(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(kProperty);
        if (value.isValid())
            return value.value<GlassResolver>();
    }
    return GlassResolver::fallback();
}

GlassResolver evaluate(const AccessibilityPreferences& preferences, const UserDefaults& defaults)
{
    return GlassResolver::resolve(Availability::systemGlass(), preferences.reduceTransparency(),
        preferences.reduceMotion(), preferences.increaseContrast(), defaults.reduceGlassEffects());
}

void bind(QWidget* root, AccessibilityPreferences* preferences, UserDefaults* defaults)
{
    QPointer<QWidget> target = root;
    QPointer<AccessibilityPreferences> prefs = preferences;
    QPointer<UserDefaults> store = defaults;
    const auto reapply = [target, prefs, store] {
        if (target && prefs && store)
            set(target, evaluate(*prefs, *store));
    };
    reapply();
    QObject::connect(preferences, &AccessibilityPreferences::changed, root, reapply);
    QObject::connect(defaults, &UserDefaults::reduceGlassEffectsChanged, root, reapply);
}

} // namespace mivo::GlassEnvironment
