#include "ui/settings/AskSettingsModel.h"

#include "ask/AskClient.h"
#include "ask/Brand.h"
#include "base/Prefs.h"
#include "ui/settings/SettingsServices.h"

namespace brisklet {

AskSettingsModel::AskSettingsModel(QObject* parent) : QObject(parent) {
    askEnabled_ = Prefs::boolValue(QLatin1String(Prefs::Key::askEnabled));
    hasEnvKey_ = AskClient::keyIsFromEnvironment();
}

QObject* AskSettingsModel::servicesObject() const {
    return services_.data();
}

void AskSettingsModel::setServices(QObject* services) {
    auto* typed = qobject_cast<SettingsServices*>(services);
    if (typed == services_)
        return;
    services_ = typed;
    const bool stored = AskClient::keychainKey(services_ ? services_->secrets : nullptr).has_value();
    if (stored != hasStoredKey_) {
        hasStoredKey_ = stored;
        emit keyChanged();
    }
    emit servicesChanged();
}

QString AskSettingsModel::route() const {
    if (hasEnvKey_ || hasStoredKey_)
        return QStringLiteral("personal");
    return Brand::serviceConfigured() ? QStringLiteral("service") : QStringLiteral("none");
}

bool AskSettingsModel::canSave(const QString& typed) {
    return !typed.trimmed().isEmpty();
}

void AskSettingsModel::setAskEnabledByUser(bool on) {
    Prefs::setValue(QLatin1String(Prefs::Key::askEnabled), on);
    if (on != askEnabled_) {
        askEnabled_ = on;
        emit askEnabledChanged();
    }
}

bool AskSettingsModel::save(const QString& typed) {
    if (!canSave(typed))
        return false;
    if (!AskClient::setKeychainKey(services_ ? services_->secrets : nullptr, typed)) {
        keyStatus_ = QStringLiteral("Couldn't save to keyring.");
        emit keyChanged();
        return false;
    }
    hasStoredKey_ = true;
    keyStatus_ = QStringLiteral("Saved to your keyring.");
    emit keyChanged();
    // A saved key turns Ask on; with Ask on already nothing more is written.
    if (!Prefs::boolValue(QLatin1String(Prefs::Key::askEnabled))) {
        Prefs::setValue(QLatin1String(Prefs::Key::askEnabled), true);
        askEnabled_ = true;
        emit askEnabledChanged();
    }
    return true;
}

void AskSettingsModel::remove() {
    if (!AskClient::setKeychainKey(services_ ? services_->secrets : nullptr, std::nullopt)) {
        keyStatus_ = QStringLiteral("Couldn't remove from keyring.");
        emit keyChanged();
        return;
    }
    hasStoredKey_ = false;
    keyStatus_ = QStringLiteral("Key removed.");
    emit keyChanged();
}

} // namespace brisklet
