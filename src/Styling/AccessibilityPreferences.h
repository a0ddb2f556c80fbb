#pragma once

#include <QObject>

namespace mivo {

// The system's display accessibility settings that the glass policy follows.
class AccessibilityPreferences : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool reduceTransparency() const = 0;
    virtual bool reduceMotion() const = 0;
    virtual bool increaseContrast() const = 0;

signals:
    // Any of the settings changed.
    void changed();
};

} // namespace mivo
