#include "support/TempHome.h"

#include "base/Prefs.h"

#include <cstdlib>

namespace brisklet::test {

TempHome::TempHome() : oldData_(qgetenv("XDG_DATA_HOME")), oldConfig_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    Prefs::reset();
}

TempHome::~TempHome() {
    Prefs::reset();
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
}

} // namespace brisklet::test
