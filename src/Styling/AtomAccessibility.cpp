#include "Styling/AtomAccessibility.h"

#include "Styling/ConfidenceMeter.h"
#include "Styling/SourceBadge.h"
#include "Styling/SourceLogo.h"
#include "Styling/StatusPill.h"

#include <QAccessibleWidget>
#include <mutex>

namespace mivo::AtomAccessibility {

namespace {

class AtomAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            if (const auto* meter = qobject_cast<const ConfidenceMeter*>(widget()))
                return meter->accessibleValue();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* factory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (qobject_cast<SourceLogo*>(object))
        return new AtomAccessible(widget, QAccessible::Graphic);
    if (qobject_cast<SourceBadge*>(object) || qobject_cast<StatusPill*>(object))
        return new AtomAccessible(widget, QAccessible::StaticText);
    if (qobject_cast<ConfidenceMeter*>(object))
        return new AtomAccessible(widget, QAccessible::ProgressBar);
    return nullptr;
}

} // namespace

void install()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(factory); });
}

} // namespace mivo::AtomAccessibility
