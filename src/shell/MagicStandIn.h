#pragma once

#include <QStringList>
#include <functional>

namespace brisklet {

// Magic is still to come; it will need the phrases a drafted setup may not take.
class MagicStandIn final {
public:
    std::function<QStringList()> reservedPhrasesProvider;
};

} // namespace brisklet
