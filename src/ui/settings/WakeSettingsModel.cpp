#include "ui/settings/WakeSettingsModel.h"

#include "base/Prefs.h"
#include "base/RepeatingTimer.h"
#include "ui/settings/SettingsScale.h"
#include "ui/settings/SettingsServices.h"
#include "voice/WakeKeyOption.h"

namespace brisklet {

WakeSettingsModel::WakeSettingsModel(QObject* parent) : QObject(parent) {
    const int stored = Prefs::intValue(QLatin1String(Prefs::Key::wakeKeyCode));
    keyCode_ = stored == 0 ? 54 : stored;
    const QString style = Prefs::stringValue(QLatin1String(Prefs::Key::activationStyle));
    style_ = style == QLatin1String("tap") ? QStringLiteral("tap") : QStringLiteral("hold");
    clapWake_ = Prefs::boolValue(QLatin1String(Prefs::Key::clapWake));
}

WakeSettingsModel::~WakeSettingsModel() = default;

void WakeSettingsModel::start() {
    started_ = true;
    updateMeter();
}

QObject* WakeSettingsModel::servicesObject() const {
    return services_.data();
}

void WakeSettingsModel::setServices(QObject* services) {
    auto* typed = qobject_cast<SettingsServices*>(services);
    if (typed == services_)
        return;
    meter_.reset();
    services_ = typed;
    if (started_)
        updateMeter();
    emit servicesChanged();
}

int WakeSettingsModel::keyIndex() const {
    const auto& all = WakeKeyOption::all();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].keyCode == keyCode_)
            return static_cast<int>(i);
    }
    return -1;
}

QString WakeSettingsModel::styleHint() const {
    const QString first =
        style_ == QLatin1String("tap")
            ? QStringLiteral("Tap the key once and just speak. Brisklet finishes when you do.")
            : QStringLiteral("Hold the key like a walkie-talkie — press, speak, release.");
    return first +
           QStringLiteral(" (This only sets which gesture Brisklet teaches — the other keeps working too.)");
}

bool WakeSettingsModel::meterRunning() const {
    return meter_ && meter_->isRunning();
}

QVariantList WakeSettingsModel::keyOptions() {
    QVariantList options;
    for (const auto& option : WakeKeyOption::all())
        options << QVariantMap{{QStringLiteral("value"), option.keyCode},
                               {QStringLiteral("label"), option.label}};
    return options;
}

QVariantList WakeSettingsModel::styleOptions() {
    return {QVariantMap{{QStringLiteral("value"), QStringLiteral("hold")},
                        {QStringLiteral("label"), "Hold to Talk"}},
            QVariantMap{{QStringLiteral("value"), QStringLiteral("tap")},
                        {QStringLiteral("label"), "Tap to Talk"}}};
}

double WakeSettingsModel::sensitivityStart() const {
    return SettingsScale::shownSensitivity(Prefs::value(QLatin1String(Prefs::Key::sensitivity)));
}

void WakeSettingsModel::chooseKey(int keyCode) {
    Prefs::setValue(QLatin1String(Prefs::Key::wakeKeyCode), keyCode);
    if (keyCode != keyCode_) {
        keyCode_ = keyCode;
        emit keyCodeChanged();
    }
    wakeConfigChanged();
}

void WakeSettingsModel::chooseStyle(const QString& style) {
    const QString chosen = style == QLatin1String("tap") ? QStringLiteral("tap") : QStringLiteral("hold");
    Prefs::setValue(QLatin1String(Prefs::Key::activationStyle), chosen);
    if (chosen != style_) {
        style_ = chosen;
        emit styleChanged();
    }
    wakeConfigChanged();
}

void WakeSettingsModel::setClapWakeByUser(bool on) {
    // The view switches first, so the clap block follows at once.
    const bool changed = on != clapWake_;
    clapWake_ = on;
    Prefs::setValue(QLatin1String(Prefs::Key::clapWake), on);
    updateMeter();
    if (changed)
        emit clapWakeChanged();
    wakeConfigChanged();
}

void WakeSettingsModel::moveSensitivity(double shown) {
    const double stored = SettingsScale::storedSensitivity(shown);
    Prefs::setValue(QLatin1String(Prefs::Key::sensitivity), stored);
    if (services_ && services_->sensitivityChanged)
        services_->sensitivityChanged(stored);
}

void WakeSettingsModel::wakeConfigChanged() const {
    if (services_ && services_->wakeConfigChanged)
        services_->wakeConfigChanged();
}

// The meter runs only while the clap block, and with it the bar, is shown.
void WakeSettingsModel::updateMeter() {
    if (!started_ || !clapWake_ || !services_) {
        meter_.reset();
        return;
    }
    if (meter_)
        return;
    meter_ = std::make_unique<RepeatingTimer>(services_->schedulerOrMain(), meterInterval, [this] {
        const float next = services_ && services_->level ? services_->level() : 0.0f;
        if (next != level_) {
            level_ = next;
            emit levelChanged();
        }
    });
    meter_->start();
}

} // namespace brisklet
