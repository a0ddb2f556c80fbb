#pragma once

#include <QColor>
#include <QPalette>

namespace mivo {

// The translucent materials of the translucent tier, thinnest to thickest.
// There is no blur of what lies behind the window here: a material is the
// window colour at the material's opacity, so content behind a surface shows
// through it, more for thinner materials.
enum class Material { ultraThin, regular, bar, thick };

namespace Materials {
QColor fill(Material material, const QPalette& palette);
qreal opacity(Material material);
} // namespace Materials

} // namespace mivo
