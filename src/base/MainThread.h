#pragma once

#include <functional>

class QObject;

namespace brisklet {

// Hops to the thread that runs Qt's event loop. Work posted from one thread runs
// in the order it was posted.
namespace MainThread {

bool isCurrent();

// Run `work` on the main thread later (always queued, even from the main thread).
void post(std::function<void()> work);

// As post(), but the work is dropped if `context` has been destroyed by then.
void post(const QObject* context, std::function<void()> work);

// Run `work` on the main thread and wait for it: inline when already there. Never
// call it while holding a lock the main thread may want.
void runSync(const std::function<void()>& work);

} // namespace MainThread
} // namespace brisklet
