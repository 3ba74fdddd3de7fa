#include "flow/HUDState.h"

namespace brisklet {

const char* kindName(HUDState::Kind kind) {
    switch (kind) {
    case HUDState::Kind::listening:
        return "listening";
    case HUDState::Kind::heard:
        return "heard";
    case HUDState::Kind::executing:
        return "executing";
    case HUDState::Kind::done:
        return "done";
    case HUDState::Kind::miss:
        return "miss";
    case HUDState::Kind::info:
        return "info";
    case HUDState::Kind::confirm:
        return "confirm";
    }
    return "?";
}

} // namespace brisklet
