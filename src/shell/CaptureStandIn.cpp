#include "shell/CaptureStandIn.h"

#include "base/Log.h"

namespace brisklet {

void CaptureStandIn::begin(const std::optional<QString>& prefillName) {
    qCInfo(lcApp).noquote() << "setup capture asked for" << prefillName.value_or(QStringLiteral("(no name)"))
                            << "— not available in this build";
}

} // namespace brisklet
