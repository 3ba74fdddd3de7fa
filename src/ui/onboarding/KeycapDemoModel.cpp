#include "ui/onboarding/KeycapDemoModel.h"

#include <QPointer>

namespace brisklet {

KeycapDemoModel::KeycapDemoModel(QObject* parent) : KeycapDemoModel(Scheduler::main(), parent) {}

KeycapDemoModel::KeycapDemoModel(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler), loop_(scheduler, cycleSeconds, [this] { cycle(); }) {}

KeycapDemoModel::~KeycapDemoModel() {
    loop_.stop();
    cancelPhases();
}

void KeycapDemoModel::setKind(const QString& kind) {
    const auto value = OnboardingRules::styleFrom(kind);
    if (kind_ == value)
        return;
    kind_ = value;
    emit changed();
}

void KeycapDemoModel::setLabel(const QString& label) {
    if (label_ == label)
        return;
    label_ = label;
    emit changed();
}

void KeycapDemoModel::setLooping(bool on) {
    if (looping_ == on)
        return;
    looping_ = on;
    emit changed();
}

void KeycapDemoModel::setListening(bool on) {
    if (listening_ == on)
        return;
    listening_ = on;
    emit changed();
}

void KeycapDemoModel::setPressed(bool on) {
    if (pressed_ == on)
        return;
    pressed_ = on;
    emit changed();
}

void KeycapDemoModel::setSpeaking(bool on) {
    if (speaking_ == on)
        return;
    speaking_ = on;
    emit changed();
}

void KeycapDemoModel::appear(bool reduceMotion) {
    if (!looping_) {
        setPressed(false);
        return;
    }
    if (reduceMotion) {
        setSpeaking(true);
        return;
    }
    cycle();
    loop_.start();
}

void KeycapDemoModel::disappear() {
    loop_.stop();
}

// One pass; every phase is timed from the start of the pass.
void KeycapDemoModel::cycle() {
    setPressed(true);
    if (kind_ == OnboardingRules::Style::hold) {
        at(0.35, [](KeycapDemoModel& m) { m.setSpeaking(true); });
        at(2.1, [](KeycapDemoModel& m) {
            m.setPressed(false);
            m.setSpeaking(false);
        });
    } else {
        at(0.16, [](KeycapDemoModel& m) { m.setPressed(false); });
        at(0.4, [](KeycapDemoModel& m) { m.setSpeaking(true); });
        at(2.4, [](KeycapDemoModel& m) { m.setSpeaking(false); });
    }
}

void KeycapDemoModel::at(double seconds, void (*change)(KeycapDemoModel&)) {
    QPointer<KeycapDemoModel> self(this);
    phases_.push_back(scheduler_.schedule(seconds, [self, change] {
        if (self)
            change(*self);
    }));
    // Forget tokens that have surely run: a pass lasts 2.4 s, the loop 3.2 s.
    if (phases_.size() > 16)
        phases_.erase(phases_.begin(), phases_.begin() + 8);
}

void KeycapDemoModel::cancelPhases() {
    for (const Scheduler::Token token : phases_)
        scheduler_.cancel(token);
    phases_.clear();
}

} // namespace brisklet
