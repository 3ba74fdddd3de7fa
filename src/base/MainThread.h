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
// call it while holding a lock the main thread may want. The work does not run when
// there is no application, or when the main thread is itself waiting for the caller
// (a WaitingScope), which a hop would otherwise wait for for ever.
void runSync(const std::function<void()>& work);

// While one lives on the main thread, that thread is blocked waiting for workers
// (a queue being stopped at quit): every hop waiting for it, and every hop asked
// for meanwhile, gives up instead of running. Does nothing off the main thread.
class WaitingScope final {
public:
    WaitingScope();
    ~WaitingScope();
    WaitingScope(const WaitingScope&) = delete;
    WaitingScope& operator=(const WaitingScope&) = delete;

private:
    bool active_ = false;
};

} // namespace MainThread
} // namespace brisklet
