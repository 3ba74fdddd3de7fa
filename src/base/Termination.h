#pragma once

#include <functional>

namespace brisklet::Termination {

// Route SIGTERM, SIGINT and SIGHUP into the event loop, where they quit the
// application normally, so the hooks below run on every orderly way out. Until
// enteringEventLoop() they end the process at once: nothing would read the route.
void install();
void enteringEventLoop();

// Work to do when the application is about to quit (on the main thread), e.g.
// giving the displays their colours back. Hooks run in the order they were added.
void addHook(std::function<void()> hook);

// Run the hooks now (once); the application calls this from aboutToQuit.
void runHooks();

} // namespace brisklet::Termination
