#include "windows/WindowAnimator.h"

#include "windows/WindowEngine.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace brisklet {

struct WindowAnimator::Run {
    std::vector<Glide> glides;
    double duration = 0;
    double stagger = 0;
    Completion completion;
    std::vector<bool> results;
    std::set<size_t> finished;
    bool done = false;
    double start = 0; // monotonic
    double limit = 0;
};

WindowAnimator::WindowAnimator(WindowEngine& engine, Clock& clock, Timer timer)
    : engine_(engine), clock_(clock), timer_(std::move(timer)) {
    if (!timer_)
        timer_ = [](SerialQueue& queue, double seconds, std::function<void()> work) {
            queue.asyncAfter(seconds, std::move(work));
        };
}

WindowAnimator::~WindowAnimator() {
    std::shared_ptr<Run> run;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        ++epoch_;
        run = std::move(running_);
    }
    // The completion still belongs on the queue; waiting here also lets a running
    // frame end before the queue goes.
    if (run)
        queue_.sync([&] { deliver(*run); });
    queue_.stop();
}

bool WindowAnimator::animatesSizeSmoothly(const std::optional<QString>& bundleID) {
    if (!bundleID)
        return true;
    static const QStringList positionOnly = {"google-chrome",  "com.google.chrome",
                                             "chromium",       "org.chromium",
                                             "microsoft-edge", "com.microsoft.edge",
                                             "brave-browser",  "com.brave",
                                             "vivaldi",        "com.vivaldi",
                                             "opera",          "com.opera",
                                             "slack",          "com.slack",
                                             "discord",        "com.discordapp",
                                             "code",           "com.visualstudio.code",
                                             "spotify",        "com.spotify.client",
                                             "figma",          "notion",
                                             "electron"};
    const QString lower = bundleID->toLower();
    for (const auto& prefix : positionOnly)
        if (lower.startsWith(prefix))
            return false;
    return true;
}

void WindowAnimator::glide(std::vector<Glide> glides, double duration, double stagger,
                           Completion completion) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) {
            if (completion)
                completion({});
            return;
        }
    }
    auto shared = std::make_shared<Completion>(std::move(completion));
    const bool queued = queue_.async([this, glides = std::move(glides), duration, stagger, shared]() mutable {
        start(std::move(glides), duration, stagger, std::move(*shared));
    });
    if (!queued && *shared)
        (*shared)({});
}

void WindowAnimator::deliver(Run& run) {
    if (run.done)
        return;
    run.done = true;
    if (run.completion)
        run.completion(run.results);
}

void WindowAnimator::start(std::vector<Glide> glides, double duration, double stagger,
                           Completion completion) {
    std::shared_ptr<Run> previous;
    std::uint64_t epoch;
    {
        std::lock_guard lock(mutex_);
        epoch = ++epoch_;
        previous = std::move(running_);
    }
    // The superseded glide leaves its windows where they are and reports what finished.
    if (previous)
        deliver(*previous);
    if (glides.empty()) {
        if (completion)
            completion({});
        return;
    }
    // A maximised window ignores moves until it leaves that state.
    for (const auto& g : glides)
        engine_.windowSystem().unmaximize(g.element);

    auto run = std::make_shared<Run>();
    run->duration = duration;
    run->stagger = std::max(0.0, stagger);
    run->completion = std::move(completion);
    run->results.assign(glides.size(), false);
    run->glides = std::move(glides);
    run->start = clock_.now();
    run->limit = std::max(0.0, duration) + run->stagger * static_cast<double>(run->glides.size() - 1) + 1.0;
    {
        std::lock_guard lock(mutex_);
        running_ = run;
    }
    // Without a duration the first frame finishes what is due at once.
    schedule(run, epoch, duration > 0 ? 1 : 0);
}

void WindowAnimator::schedule(const std::shared_ptr<Run>& run, std::uint64_t epoch, int frame) {
    // Frames are due at fixed times from the start, so late frames do not add up.
    const double due = run->start + frame * frameInterval;
    const double delay = std::max(0.0, due - clock_.now());
    timer_(queue_, delay, [this, run, epoch, frame] { tick(run, epoch, frame); });
}

void WindowAnimator::tick(const std::shared_ptr<Run>& run, std::uint64_t epoch, int frame) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_ || epoch != epoch_)
            return;
    }
    auto& ws = engine_.windowSystem();
    const double elapsed = clock_.now() - run->start;
    for (size_t i = 0; i < run->glides.size(); ++i) {
        if (run->finished.count(i))
            continue;
        const Glide& g = run->glides[i];
        const double offset = elapsed - run->stagger * static_cast<double>(i);
        bool finish = elapsed > run->limit;
        double t = 0;
        if (!finish) {
            if (run->duration <= 0) {
                finish = offset >= 0;
            } else {
                t = offset / run->duration;
                finish = t >= 1;
            }
        }
        if (finish) {
            run->finished.insert(i);
            run->results[i] = engine_.setAXFrameFitted(g.element, g.to);
            continue;
        }
        if (t <= 0)
            continue;
        const double e = 1 - std::pow(1 - t, 3);
        auto lerp = [e](double a, double b) { return a + e * (b - a); };
        const QRectF frameRect(lerp(g.from.x(), g.to.x()), lerp(g.from.y(), g.to.y()),
                               g.animateSize ? lerp(g.from.width(), g.to.width()) : g.from.width(),
                               g.animateSize ? lerp(g.from.height(), g.to.height()) : g.from.height());
        ws.requestFrame(g.element, frameRect, g.animateSize);
    }
    if (run->finished.size() == run->glides.size()) {
        {
            std::lock_guard lock(mutex_);
            if (running_ == run)
                running_.reset();
        }
        deliver(*run);
        return;
    }
    schedule(run, epoch, frame + 1);
}

} // namespace brisklet
