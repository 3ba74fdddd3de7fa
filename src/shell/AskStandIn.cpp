#include "shell/AskStandIn.h"

namespace brisklet {

void AskStandIn::plan(const QString&, std::function<void(const AskResult&)> completion) {
    if (completion)
        completion(AskResult{std::nullopt, AskError::disabled, {}});
}

} // namespace brisklet
