#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

class SettingsServices;

// The Ask section: the Ask switch, which route answers, and the personal key in
// the keyring. The key goes from the field to the keyring and is never read back
// into the view; the Ask client reads switch and key at each request.
class AskSettingsModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* services READ servicesObject WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(bool askEnabled READ askEnabled NOTIFY askEnabledChanged)
    Q_PROPERTY(bool hasStoredKey READ hasStoredKey NOTIFY keyChanged)
    Q_PROPERTY(bool hasEnvKey READ hasEnvKey CONSTANT)
    Q_PROPERTY(QString keyStatus READ keyStatus NOTIFY keyChanged)
    Q_PROPERTY(QString route READ route NOTIFY keyChanged)
public:
    explicit AskSettingsModel(QObject* parent = nullptr);

    QObject* servicesObject() const;
    // Whether a key is stored is asked when the services arrive.
    void setServices(QObject* services);

    bool askEnabled() const { return askEnabled_; }
    bool hasStoredKey() const { return hasStoredKey_; }
    bool hasEnvKey() const { return hasEnvKey_; }
    QString keyStatus() const { return keyStatus_; }
    // Which status line shows: "personal" (a key of the user's), "service" (the
    // hosted service is configured) or "none".
    QString route() const;

    // Save takes only text with more than white space in it: the client trims the
    // same set, and a blank key would only delete the stored one.
    Q_INVOKABLE static bool canSave(const QString& typed);

    // User changes.
    Q_INVOKABLE void setAskEnabledByUser(bool on);
    // True when the key was stored (the view then empties its field).
    Q_INVOKABLE bool save(const QString& typed);
    Q_INVOKABLE void remove();

signals:
    void servicesChanged();
    void askEnabledChanged();
    void keyChanged();

private:
    QPointer<SettingsServices> services_;
    bool askEnabled_ = true;
    bool hasStoredKey_ = false;
    bool hasEnvKey_ = false;
    QString keyStatus_;
};

} // namespace brisklet
