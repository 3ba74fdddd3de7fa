#pragma once

#include "base/SerialQueue.h"
#include "platform/RecognitionRequest.h"

#include <memory>

namespace brisklet::platform {

// Marks a window's progress while the thread that made the watch works inside calls
// that say nothing of their own until they return (a grammar's whole-utterance pass,
// the general model's end of utterance): whenever that thread was given the
// processor since the last look, its work moved on, however slowly a loaded machine
// lets it go. A thread that waits, or is never scheduled, marks nothing: it stands
// still. Watched from `queue`'s thread every `interval` seconds, until the watch ends.
class WorkWatch final {
public:
    WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request, double interval = 0.1);
    // Ends the watch at once; it never marks again.
    ~WorkWatch();
    WorkWatch(const WorkWatch&) = delete;
    WorkWatch& operator=(const WorkWatch&) = delete;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace brisklet::platform
