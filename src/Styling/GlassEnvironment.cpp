#include "Styling/GlassEnvironment.h"

#include "Styling/AccessibilityPreferences.h"
#include "Styling/Availability.h"
#include "Support/UserDefaults.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace mivo::GlassEnvironment {

namespace {

// The resolver of each root that has one. Every painted surface asks for its
// own, often several times a frame: a lookup by pointer per ancestor is cheap
// where a search for a named property was not.
QHash<const QWidget*, GlassResolver>& roots()
{
    static QHash<const QWidget*, GlassResolver> resolvers;
    return resolvers;
}

} // namespace

void set(QWidget* root, const GlassResolver& resolver)
{
    QHash<const QWidget*, GlassResolver>& all = roots();
    const auto known = all.constFind(root);
    if (known != all.cend() && *known == resolver)
        return;
    if (known == all.cend())
        QObject::connect(root, &QObject::destroyed, [root] { roots().remove(root); });
    all.insert(root, resolver);
    root->update();
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->update();
}

GlassResolver of(const QWidget* widget)
{
    const QHash<const QWidget*, GlassResolver>& all = roots();
    if (!all.isEmpty()) {
        for (const QWidget* w = widget; w; w = w->parentWidget()) {
            const auto found = all.constFind(w);
            if (found != all.cend())
                return *found;
        }
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
