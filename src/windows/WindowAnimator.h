#pragma once

#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "platform/WindowSystem.h"

#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

class WindowEngine;

// Glides batches of other applications' windows to new frames at 60 frames a
// second on a queue of its own, and finishes each window with the engine's
// verified set. A newer glide supersedes the running one at once.
class WindowAnimator final {
public:
    struct Glide {
        platform::WindowId element = 0;
        qint64 appPID = 0;
        QRectF from; // top-left space
        QRectF to;
        bool animateSize = true;
    };
    using Completion = std::function<void(std::vector<bool>)>;
    // Runs `work` on the animator's queue after `seconds`. Tests swap it to step
    // frames on a fake clock.
    using Timer = std::function<void(SerialQueue& queue, double seconds, std::function<void()> work)>;

    WindowAnimator(WindowEngine& engine, Clock& clock = Clock::system(), Timer timer = {});
    // Stops the running glide and delivers its completion with the results as they
    // stand. Never destroy an animator from its own queue.
    ~WindowAnimator();
    WindowAnimator(const WindowAnimator&) = delete;
    WindowAnimator& operator=(const WindowAnimator&) = delete;

    // Returns at once; `completion` runs on the animator's queue exactly once, with
    // one flag per glide (whether its final verified set fitted). An empty list stops
    // the running glide.
    void glide(std::vector<Glide> glides, double duration, double stagger, Completion completion);

    // Whether windows of this application may be resized frame by frame; apps that
    // repaint slowly glide by position only.
    static bool animatesSizeSmoothly(const std::optional<QString>& bundleID);

    static constexpr double frameInterval = 1.0 / 60.0;

private:
    struct Run;
    void start(std::vector<Glide> glides, double duration, double stagger, Completion completion);
    void tick(const std::shared_ptr<Run>& run, std::uint64_t epoch, int frame);
    void schedule(const std::shared_ptr<Run>& run, std::uint64_t epoch, int frame);
    static void deliver(Run& run);

    WindowEngine& engine_;
    Clock& clock_;
    Timer timer_;
    // Guards the members below, which the destructor reads from another thread.
    std::mutex mutex_;
    std::uint64_t epoch_ = 0;
    std::shared_ptr<Run> running_;
    bool stopped_ = false;
    SerialQueue queue_{"com.brisklet.winanim", "brisklet-winanim"};
};

} // namespace brisklet
