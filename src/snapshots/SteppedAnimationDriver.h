#pragma once

#include <QAnimationDriver>

namespace brisklet {

// Animation time that moves only when told to: every run of the snapshot mode
// sees the same frames of every animation, spinners and loops included, however
// fast or slow the machine is. Main thread.
class SteppedAnimationDriver final : public QAnimationDriver {
    Q_OBJECT
public:
    explicit SteppedAnimationDriver(QObject* parent = nullptr);

    // Since the driver last started: Qt adds it to the time the driver started at.
    qint64 elapsed() const override { return elapsed_; }
    // Moves time on by `ms` in frames of `frameMs`, as a display would.
    void step(qint64 ms, qint64 frameMs = 16);

private:
    qint64 elapsed_ = 0;
};

} // namespace brisklet
