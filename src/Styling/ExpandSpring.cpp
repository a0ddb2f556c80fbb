#include "Styling/ExpandSpring.h"

#include <cmath>
#include <numbers>

namespace mivo::ExpandSpring {

double position(double seconds)
{
    // A damped harmonic oscillator released from rest one unit away from its
    // rest point; the response is the period of the undamped spring.
    const double omega = 2 * std::numbers::pi / kResponseSeconds;
    const double zeta = kDampingFraction;
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    const double decay = std::exp(-zeta * omega * seconds);
    return 1 - decay * (std::cos(damped * seconds) + zeta * omega / damped * std::sin(damped * seconds));
}

namespace {

qreal eased(qreal progress)
{
    const double seconds = progress * kDurationMs / 1000.0;
    // What is left of the spring's motion at the end is spread over the run,
    // so the curve ends at its rest exactly.
    const double rest = position(kDurationMs / 1000.0);
    return position(seconds) + (1 - rest) * progress;
}

} // namespace

QEasingCurve curve()
{
    QEasingCurve curve;
    curve.setCustomType(&eased);
    return curve;
}

} // namespace mivo::ExpandSpring
