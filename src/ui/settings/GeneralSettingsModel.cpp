#include "ui/settings/GeneralSettingsModel.h"

#include "base/Prefs.h"
#include "platform/LoginItem.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/LoginItemWording.h"
#include "ui/settings/SettingsScale.h"
#include "ui/settings/SettingsServices.h"
#include "voice/Chime.h"

namespace brisklet {

namespace {

QVariantMap option(const QString& value, const QString& label) {
    return {{QStringLiteral("value"), value}, {QStringLiteral("label"), label}};
}

double storedVolume() {
    return SettingsScale::volume(Prefs::value(QLatin1String(Prefs::Key::soundVolume)));
}

} // namespace

GeneralSettingsModel::GeneralSettingsModel(QObject* parent) : QObject(parent) {
    const QString raw = Prefs::stringValue(QLatin1String(Prefs::Key::appearance));
    appearance_ = rawValue(appAppearanceFrom(raw).value_or(AppAppearance::system));
    sounds_ = Prefs::boolValue(QLatin1String(Prefs::Key::soundsEnabled));
    wakeSound_ = Prefs::contains(QLatin1String(Prefs::Key::wakeSound))
                     ? Prefs::stringValue(QLatin1String(Prefs::Key::wakeSound))
                     : QStringLiteral("droplet");
    soundVolume_ = storedVolume();
}

QObject* GeneralSettingsModel::servicesObject() const {
    return services_.data();
}

void GeneralSettingsModel::setServices(QObject* services) {
    auto* typed = qobject_cast<SettingsServices*>(services);
    if (typed == services_)
        return;
    services_ = typed;
    const bool enabled = loginItemEnabled();
    if (enabled != launchAtLogin_) {
        launchAtLogin_ = enabled;
        emit launchAtLoginChanged();
    }
    emit servicesChanged();
}

QVariantList GeneralSettingsModel::appearanceOptions() {
    return {option(QStringLiteral("system"), QStringLiteral("Match my computer")),
            option(QStringLiteral("light"), QStringLiteral("Light")),
            option(QStringLiteral("dark"), QStringLiteral("Dark"))};
}

QVariantList GeneralSettingsModel::soundOptions() {
    QVariantList options;
    for (const auto& sound : Chime::options())
        options << option(sound.id, sound.label);
    return options;
}

void GeneralSettingsModel::chooseAppearance(const QString& raw) {
    const QString chosen = rawValue(appAppearanceFrom(raw).value_or(AppAppearance::system));
    // Writes the setting and switches every view that follows the app's appearance.
    DesignSystem::instance().setAppearance(chosen);
    if (chosen != appearance_) {
        appearance_ = chosen;
        emit appearanceChanged();
    }
}

void GeneralSettingsModel::setLaunchAtLoginByUser(bool on) {
    const bool taken = services_ && services_->loginItem && services_->loginItem->set(on);
    loginFailure_ = taken ? QString() : LoginItemWording::failure(on);
    // Show what the desktop now has, not what was asked for.
    const bool enabled = loginItemEnabled();
    launchAtLogin_ = enabled;
    emit launchAtLoginChanged();
}

void GeneralSettingsModel::setSoundsByUser(bool on) {
    Prefs::setValue(QLatin1String(Prefs::Key::soundsEnabled), on);
    if (on != sounds_) {
        sounds_ = on;
        emit soundsChanged();
    }
}

void GeneralSettingsModel::chooseWakeSound(const QString& id) {
    Prefs::setValue(QLatin1String(Prefs::Key::wakeSound), id);
    if (id != wakeSound_) {
        wakeSound_ = id;
        emit wakeSoundChanged();
    }
    play(id);
}

void GeneralSettingsModel::moveVolume(double volume) {
    const double clamped = SettingsScale::volume(volume);
    Prefs::setValue(QLatin1String(Prefs::Key::soundVolume), clamped);
    if (clamped != soundVolume_) {
        soundVolume_ = clamped;
        emit soundVolumeChanged();
    }
}

void GeneralSettingsModel::releaseVolume() {
    const QString id = Prefs::contains(QLatin1String(Prefs::Key::wakeSound))
                           ? Prefs::stringValue(QLatin1String(Prefs::Key::wakeSound))
                           : QStringLiteral("droplet");
    play(id);
}

bool GeneralSettingsModel::loginItemEnabled() const {
    return services_ && services_->loginItem && services_->loginItem->isEnabled();
}

void GeneralSettingsModel::play(const QString& id) const {
    if (id == QLatin1String("none") || !services_ || !services_->playSound)
        return;
    services_->playSound(id, storedVolume());
}

} // namespace brisklet
