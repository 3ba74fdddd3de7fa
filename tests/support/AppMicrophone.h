#pragma once

#include "platform/linux/PulseAudioInput.h"
#include "support/FakeScheduler.h"
#include "voice/AudioEngine.h"

#include <QCoreApplication>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brisklet::test {

// The default source heard as the app hears it: its own capture at its own idle pace
// (a record stream that gathers 0.2 s between hand-offs, the converter, the ring and
// the 512-sample chunks), so a sound played at a window's start lands where that
// backlog puts it, as on the sound server under test.
class AppMicrophone {
public:
    AppMicrophone() : engine_(std::make_unique<platform::PulseAudioInput>(), scheduler_) {
        engine_.addHandler([this](std::span<const float> samples, std::int64_t) {
            std::lock_guard lock(mutex_);
            heard_.insert(heard_.end(), samples.begin(), samples.end());
        });
        engine_.start();
    }
    ~AppMicrophone() { engine_.stop(); }
    AppMicrophone(const AppMicrophone&) = delete;
    AppMicrophone& operator=(const AppMicrophone&) = delete;

    // Samples handed out so far.
    std::size_t heard() const {
        std::lock_guard lock(mutex_);
        return heard_.size();
    }
    // Until `count` samples were handed out in all; false when they did not come.
    bool waitFor(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (heard() < count && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return heard() >= count;
    }
    // [from, to) of what was handed out.
    std::vector<float> between(std::size_t from, std::size_t to) const {
        std::lock_guard lock(mutex_);
        to = std::min(to, heard_.size());
        return from < to ? std::vector<float>(heard_.begin() + std::ptrdiff_t(from),
                                              heard_.begin() + std::ptrdiff_t(to))
                         : std::vector<float>();
    }
    AudioEngine& engine() { return engine_; }

private:
    FakeClock clock_;
    FakeScheduler scheduler_{clock_};
    mutable std::mutex mutex_;
    std::vector<float> heard_;
    // Last: it calls the handler until it is gone.
    AudioEngine engine_;
};

} // namespace brisklet::test
