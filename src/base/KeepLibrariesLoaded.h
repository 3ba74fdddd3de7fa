#pragma once

// Include in one file of a program (its main file): it defines a function.

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

// Under the leak checker only. A library unloaded before the check at exit (the
// display's GL driver is) leaves its leaks without a module name, and then no
// suppression can match them: every library stays loaded until the process ends.
extern "C" int dlclose(void*) noexcept {
    return 0;
}
#endif
