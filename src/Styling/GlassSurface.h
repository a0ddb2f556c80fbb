#pragma once

#include "Styling/GlassRole.h"
#include "Styling/SurfaceStyle.h"

#include <QWidget>

namespace mivo {

// A widget whose background is a surface of the given role. It reads the glass
// policy of its window at paint time, so it switches tier as soon as the policy
// changes. It neither clips nor pads its content; give it a layout with margins.
class GlassSurface : public QWidget {
    Q_OBJECT

public:
    explicit GlassSurface(const GlassRole& role, QWidget* parent = nullptr);

    GlassRole role() const { return m_role; }
    void setRole(const GlassRole& role);

    // The tier and look the surface draws with now.
    GlassTier tier() const;
    SurfaceStyle surfaceStyle() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    class Overlay;

    GlassRole m_role;
    Overlay* m_overlay = nullptr;
};

} // namespace mivo
