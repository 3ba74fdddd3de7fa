#include "ui/design/SettingsWriteStatus.h"

#include "base/Prefs.h"

namespace brisklet {

SettingsWriteStatus::SettingsWriteStatus(QObject* parent) : QObject(parent) {
    connect(&Prefs::writeState(), &Prefs::WriteState::changed, this, &SettingsWriteStatus::changed);
}

bool SettingsWriteStatus::written() const {
    return Prefs::written();
}

} // namespace brisklet
