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

void KeycapDemoModel::holdAt(double seconds) {
    if (!looping_)
        return;
    loop_.stop();
    cancelPhases();
    const std::vector<Phase>& phases = pass(kind_);
    const Phase* now = &phases.front();
    for (const Phase& phase : phases)
        if (phase.at <= seconds)
            now = &phase;
    apply(*now);
}

// Every phase is timed from the start of the pass.
const std::vector<KeycapDemoModel::Phase>& KeycapDemoModel::pass(OnboardingRules::Style kind) {
    static const std::vector<Phase> hold{{0, true, false}, {0.35, true, true}, {2.1, false, false}};
    static const std::vector<Phase> tap{
        {0, true, false}, {0.16, false, false}, {0.4, false, true}, {2.4, false, false}};
    return kind == OnboardingRules::Style::hold ? hold : tap;
}

void KeycapDemoModel::apply(const Phase& phase) {
    setPressed(phase.pressed);
    setSpeaking(phase.speaking);
}

void KeycapDemoModel::cycle() {
    const std::vector<Phase>& phases = pass(kind_);
    apply(phases.front());
    QPointer<KeycapDemoModel> self(this);
    for (auto it = phases.begin() + 1; it != phases.end(); ++it) {
        phases_.push_back(scheduler_.schedule(it->at, [self, phase = *it] {
            if (self)
                self->apply(phase);
        }));
    }
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
