#include "Styling/AtomAccessibility.h"

#include "Styling/ConfidenceMeter.h"
#include "Styling/PercentAccessible.h"
#include "Styling/SourceBadge.h"
#include "Styling/SourceLogo.h"
#include "Styling/StatusPill.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <mutex>

namespace mivo::AtomAccessibility {

namespace {

QAccessibleInterface* factory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (qobject_cast<SourceLogo*>(object))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (qobject_cast<SourceBadge*>(object) || qobject_cast<StatusPill*>(object))
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    if (auto* meter = qobject_cast<ConfidenceMeter*>(object)) {
        const QPointer<ConfidenceMeter> guarded(meter);
        return new PercentAccessible(
            meter, [guarded] { return guarded ? guarded->percent() : 0; },
            [guarded] { return guarded ? guarded->accessibleValue() : QString(); });
    }
    return nullptr;
}

} // namespace

void install()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(factory); });
}

} // namespace mivo::AtomAccessibility
