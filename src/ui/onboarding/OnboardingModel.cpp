#include "ui/onboarding/OnboardingModel.h"

#include "base/Prefs.h"
#include "ui/magic/MagicCardFormat.h"

#include <algorithm>

namespace brisklet {

OnboardingModel::OnboardingModel(QObject* parent) : QObject(parent) {
    loadStoredChoices();
}

template <typename T> void OnboardingModel::update(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    emit changed();
}

void OnboardingModel::loadStoredChoices() {
    update(style_, OnboardingRules::styleFrom(Prefs::stringValue(Prefs::Key::activationStyle)));
    update(clapEnabled_, Prefs::boolValue(Prefs::Key::clapWake));
}

void OnboardingModel::resetForNewWindow() {
    update(step_, 0);
    update(commandSucceeded_, false);
    update(launchAtLogin_, true);
    update(loginFailure_, QString());
    loadStoredChoices();
    update(magicRanID_, std::optional<QUuid>());
    if (!magicSaved_.isEmpty()) {
        magicSaved_.clear();
        emit changed();
    }
}

void OnboardingModel::setStep(int step) {
    update(step_, std::clamp(step, 0, lastStep));
}

void OnboardingModel::back() {
    setStep(step_ - 1);
}

void OnboardingModel::forward() {
    if (step_ < lastStep && forwardEnabled())
        setStep(step_ + 1);
}

void OnboardingModel::setLaunchAtLogin(bool on) {
    update(launchAtLogin_, on);
    update(loginFailure_, QString());
}

void OnboardingModel::setLoginFailure(const QString& text) {
    update(loginFailure_, text);
}

void OnboardingModel::setGrants(const Grants& grants) {
    update(grants_, grants);
}

void OnboardingModel::setOnDeviceSpeech(bool on) {
    update(onDeviceSpeech_, on);
}

void OnboardingModel::setLevel(float level) {
    if (level_ == level)
        return;
    level_ = level;
    emit levelChanged();
}

void OnboardingModel::setPeakFlash(bool on) {
    update(peakFlash_, on);
}

void OnboardingModel::setWakeFlash(bool on) {
    update(wakeFlash_, on);
}

void OnboardingModel::setClapFlash(bool on) {
    update(clapFlash_, on);
}

void OnboardingModel::setCommandSucceeded(bool on) {
    update(commandSucceeded_, on);
}

void OnboardingModel::setStyle(OnboardingRules::Style style) {
    update(style_, style);
}

void OnboardingModel::setClapEnabled(bool on) {
    update(clapEnabled_, on);
}

void OnboardingModel::setMagicScanned(bool scanned) {
    update(magicScanned_, scanned);
}

void OnboardingModel::setMagicRanID(const std::optional<QUuid>& id) {
    update(magicRanID_, id);
}

void OnboardingModel::addMagicSaved(const QUuid& id, const QString& storedName) {
    if (const auto it = magicSaved_.constFind(id); it != magicSaved_.cend() && *it == storedName)
        return;
    magicSaved_.insert(id, storedName);
    emit changed();
}

void OnboardingModel::clearMagicSaved() {
    if (magicSaved_.isEmpty())
        return;
    magicSaved_.clear();
    emit changed();
}

void OnboardingModel::setMagicRunOutcome(const QUuid& draftID, bool success, const QString& message) {
    magicRunOutcome_ = RunOutcome{draftID, success, message};
    emit changed();
}

void OnboardingModel::clearMagicRunOutcome() {
    if (!magicRunOutcome_)
        return;
    magicRunOutcome_.reset();
    emit changed();
}

QString OnboardingModel::magicRunFailure(const QUuid& id) const {
    if (!magicRunOutcome_ || magicRunOutcome_->success || magicRunOutcome_->draftID != id)
        return {};
    return magicRunOutcome_->message;
}

void OnboardingModel::setMagicProposals(std::vector<MagicProposal> proposals) {
    update(magicProposals_, proposals);
}

const MagicProposal* OnboardingModel::firstProposal() const {
    return magicProposals_.empty() ? nullptr : &magicProposals_.front();
}

QVariantMap OnboardingModel::magicFirst() const {
    const MagicProposal* first = firstProposal();
    return first ? MagicCardFormat::describe(*first) : QVariantMap();
}

bool OnboardingModel::magicFirstSaved() const {
    const MagicProposal* first = firstProposal();
    return first && magicSaved_.contains(first->id());
}

QString OnboardingModel::magicFirstSavedName() const {
    const MagicProposal* first = firstProposal();
    return first ? magicSaved_.value(first->id(), first->title) : QString();
}

bool OnboardingModel::magicFirstRan() const {
    const MagicProposal* first = firstProposal();
    return first && magicRanID_ == first->id();
}

QString OnboardingModel::magicFirstFailure() const {
    const MagicProposal* first = firstProposal();
    return first ? magicRunFailure(first->id()) : QString();
}

OnboardingRules::FooterState OnboardingModel::footerState() const {
    OnboardingRules::FooterState s;
    s.step = step_;
    s.micOK = grants_.microphone;
    s.speechOK = grants_.speech;
    s.commandSucceeded = commandSucceeded_;
    s.magicSaved = !magicSaved_.isEmpty();
    s.magicRan = magicRanID_.has_value();
    s.magicProposals = !magicProposals_.empty();
    return s;
}

QString OnboardingModel::wakeKeyLabel() const {
    return OnboardingRules::wakeKeyLabel(Prefs::intValue(Prefs::Key::wakeKeyCode));
}

QString OnboardingModel::firstCommandTitle() const {
    return OnboardingRules::firstCommandTitle(style_, wakeKeyLabel());
}

QString OnboardingModel::firstCommandInstruction() const {
    return OnboardingRules::firstCommandInstruction(style_, grants_.accessibility);
}

} // namespace brisklet
