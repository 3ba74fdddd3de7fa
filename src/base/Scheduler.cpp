#include "base/Scheduler.h"

#include "base/QtScheduler.h"

namespace brisklet {

Scheduler& Scheduler::main() {
    static QtScheduler scheduler;
    return scheduler;
}

} // namespace brisklet
