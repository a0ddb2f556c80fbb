#include "ScreenRegistry.h"

#include <algorithm>

namespace mivo::screens {

ScreenRegistry& ScreenRegistry::instance()
{
    static ScreenRegistry registry;
    return registry;
}

void ScreenRegistry::add(ScreenState state)
{
    m_states.append(std::move(state));
}

QList<ScreenState> ScreenRegistry::states() const
{
    QList<ScreenState> sorted = m_states;
    std::stable_sort(sorted.begin(), sorted.end(),
        [](const ScreenState& a, const ScreenState& b) { return a.name < b.name; });
    return sorted;
}

ScreenRegistration::ScreenRegistration(std::initializer_list<ScreenState> states)
{
    for (const ScreenState& state : states)
        ScreenRegistry::instance().add(state);
}

} // namespace mivo::screens
