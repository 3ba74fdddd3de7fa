#include "ui/settings/SettingsServices.h"

#include "base/Scheduler.h"

namespace brisklet {

Scheduler& SettingsServices::schedulerOrMain() const {
    return scheduler ? *scheduler : Scheduler::main();
}

void SettingsServices::openHelpPage() const {
    if (openHelp)
        openHelp();
}

void SettingsServices::startProblemReport() const {
    if (reportProblem)
        reportProblem();
}

} // namespace brisklet
