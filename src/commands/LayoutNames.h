#pragma once

#include <QString>
#include <vector>

namespace brisklet {

// The names of the saved layouts. The layout store implements it.
class LayoutNames {
public:
    virtual ~LayoutNames() = default;
    // A copy taken under the owner's lock.
    virtual std::vector<QString> cachedNames() const = 0;
};

} // namespace brisklet
