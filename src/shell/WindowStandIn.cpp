#include "shell/WindowStandIn.h"

#include "base/Log.h"

namespace brisklet {

void WindowStandIn::show() {
    ++shown_;
    visible_ = true;
    qCInfo(lcApp).noquote() << name_ << "window shown";
}

void WindowStandIn::stepAside() {
    parked_ = true;
    qCInfo(lcApp).noquote() << name_ << "window steps aside";
}

void WindowStandIn::settleBehind() {
    qCInfo(lcApp).noquote() << name_ << "window waits behind";
}

void WindowStandIn::returnFromPreview() {
    parked_ = false;
    show();
}

} // namespace brisklet
