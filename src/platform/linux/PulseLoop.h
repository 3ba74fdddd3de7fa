#pragma once

#include <chrono>
#include <functional>

struct pa_threaded_mainloop;
struct pa_context;

namespace brisklet::platform::pulse {

// A started threaded loop whose thread carries `name`; null when none could be made.
pa_threaded_mainloop* startLoop(const char* name);
// A context of ours on `loop`, named for the server's lists; null on failure.
pa_context* newContext(pa_threaded_mainloop* loop, const char* name);
// With the loop's lock held: disconnects `context` after taking our callbacks off it,
// so nothing of a dead connection calls back into us, and clears it.
void dropContext(pa_context*& context);
// With the loop's lock held, off the loop's thread: waits on the loop until `done`
// holds or `limit` passes. Whether it held.
bool waitUntil(pa_threaded_mainloop* loop, const std::function<bool()>& done,
               std::chrono::milliseconds limit);

} // namespace brisklet::platform::pulse
