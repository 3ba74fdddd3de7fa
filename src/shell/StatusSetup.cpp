#include "shell/StatusSetup.h"

#include "setups/Setup.h"
#include "setups/SetupIcons.h"

#include <algorithm>

namespace brisklet {

QList<StatusSetup> statusSetupsOf(const std::vector<Setup>& setups, const std::optional<QUuid>& activeID) {
    std::vector<const Setup*> order;
    for (const Setup& setup : setups)
        order.push_back(&setup);
    const auto dateOf = [](const Setup* s) { return s->lastRunAt.value_or(s->createdAt); };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Setup* a, const Setup* b) { return dateOf(a) > dateOf(b); });
    QList<StatusSetup> out;
    for (const Setup* setup : order)
        out.append({setup->name, setup->icon.value_or(SetupIcons::autoFor(setup->name)),
                    activeID && *activeID == setup->id, setup->id});
    return out;
}

} // namespace brisklet
