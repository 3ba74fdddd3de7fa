#include "ui/setups/SystemStateModel.h"

#include <QVariantMap>

namespace brisklet {

namespace {

QVariantList asList(const std::vector<SystemStateEdits::Option>& options) {
    QVariantList out;
    for (const auto& option : options)
        out << QVariantMap{{"value", option.value}, {"label", option.label}};
    return out;
}

} // namespace

SystemStateModel::SystemStateModel(QObject* parent) : QObject(parent) {}

void SystemStateModel::reset(const SetupSystemState& state, std::vector<SystemStateEdits::Option> players) {
    state_ = state;
    players_ = std::move(players);
    emit changed();
}

template <typename Edit> void SystemStateModel::edit(Edit&& change) {
    const SetupSystemState before = state_;
    change(state_);
    if (!(before == state_))
        emit changed();
}

QString SystemStateModel::appearance() const {
    return SystemStateEdits::appearanceValue(state_);
}

QString SystemStateModel::appearanceLine() const {
    if (!state_.appearance)
        return {};
    const bool dark = *state_.appearance == SetupSystemState::Appearance::dark;
    return QStringLiteral("Your whole computer changes to ") + (dark ? "dark" : "light") +
           QStringLiteral(" mode when you run this — not just Brisklet.");
}

QString SystemStateModel::music() const {
    return SystemStateEdits::musicValue(state_);
}

bool SystemStateModel::showPlayerPicker() const {
    return state_.music.has_value() && players_.size() > 1;
}

QString SystemStateModel::player() const {
    return SystemStateEdits::playerValue(state_, players_);
}

QString SystemStateModel::soundCue() const {
    return SystemStateEdits::soundValue(state_);
}

QVariantList SystemStateModel::playerOptions() const {
    return asList(players_);
}
QVariantList SystemStateModel::appearanceOptions() {
    return asList(SystemStateEdits::appearanceOptions());
}
QVariantList SystemStateModel::musicOptions() {
    return asList(SystemStateEdits::musicOptions());
}
QVariantList SystemStateModel::soundOptions() {
    return asList(SystemStateEdits::soundOptions());
}

void SystemStateModel::setVolumeOn(bool on) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setVolumeOn(s, on); });
}
void SystemStateModel::setVolume(double position) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setVolume(s, position); });
}
void SystemStateModel::setBrightnessOn(bool on) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setBrightnessOn(s, on); });
}
void SystemStateModel::setBrightness(double position) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setBrightness(s, position); });
}
void SystemStateModel::chooseAppearance(const QString& value) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setAppearance(s, value); });
}
void SystemStateModel::chooseMusic(const QString& value) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setMusic(s, value, players_); });
}
void SystemStateModel::choosePlayer(const QString& id) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setPlayer(s, id); });
}
void SystemStateModel::chooseSound(const QString& id) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setSoundCue(s, id); });
}
void SystemStateModel::setShortcut(const QString& text) {
    edit([&](SetupSystemState& s) { SystemStateEdits::setShortcut(s, text); });
}

} // namespace brisklet
