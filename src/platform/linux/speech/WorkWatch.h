#pragma once

#include "base/SerialQueue.h"
#include "platform/RecognitionRequest.h"

#include <memory>
#include <optional>
#include <vector>

#include <time.h>

namespace brisklet::platform {

// Marks a window's progress while the thread that made the watch works inside calls
// that say nothing of their own until they return (a grammar's whole-utterance pass,
// the general model's end of utterance): whenever that thread was given the
// processor since the last look, its work moved on, however slowly a loaded machine
// lets it go. A thread that waits, or is never scheduled, marks nothing: it stands
// still. Watched from `queue`'s thread every `interval` seconds, until the watch ends.
class WorkWatch final {
public:
    // The processor clock of the calling thread, for a watch made on another; none
    // where the system keeps none.
    static std::optional<clockid_t> clockOfThisThread();

    WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request, double interval = 0.1);
    // Watches the threads of `others` as well: the window moves on while any of them works.
    WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request, std::vector<clockid_t> others,
              double interval = 0.1);
    // Ends the watch at once; it never marks again.
    ~WorkWatch();
    WorkWatch(const WorkWatch&) = delete;
    WorkWatch& operator=(const WorkWatch&) = delete;

    // While one lives, the thread that made the watch waits for the others' work and
    // wakes now and then only to look in on it: that is no work of its own.
    class Waiting final {
    public:
        explicit Waiting(const WorkWatch& watch);
        ~Waiting();
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        const WorkWatch& watch_;
    };

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace brisklet::platform
