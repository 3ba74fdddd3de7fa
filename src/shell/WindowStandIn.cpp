#include "shell/WindowStandIn.h"

#include "base/Log.h"

namespace brisklet {

void WindowStandIn::show() {
    ++shown_;
    visible_ = true;
    qCInfo(lcApp).noquote() << name_ << "window shown";
}

} // namespace brisklet
