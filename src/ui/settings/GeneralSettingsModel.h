#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

class SettingsServices;

// The General section: Brisklet's own appearance, launch at login and the
// listening sound. Values are read when the section is made; each user change
// writes at once and takes effect without a restart.
class GeneralSettingsModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* services READ servicesObject WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(QString appearance READ appearance NOTIFY appearanceChanged)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    // Why the last switch of the login toggle didn't take; empty once one does.
    Q_PROPERTY(QString loginFailure READ loginFailure NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool sounds READ sounds NOTIFY soundsChanged)
    Q_PROPERTY(QString wakeSound READ wakeSound NOTIFY wakeSoundChanged)
    Q_PROPERTY(double soundVolume READ soundVolume NOTIFY soundVolumeChanged)
    Q_PROPERTY(QVariantList appearanceOptions READ appearanceOptions CONSTANT)
    Q_PROPERTY(QVariantList soundOptions READ soundOptions CONSTANT)
public:
    explicit GeneralSettingsModel(QObject* parent = nullptr);

    QObject* servicesObject() const;
    // The login item's state is read when the services arrive.
    void setServices(QObject* services);

    QString appearance() const { return appearance_; }
    bool launchAtLogin() const { return launchAtLogin_; }
    QString loginFailure() const { return loginFailure_; }
    bool sounds() const { return sounds_; }
    QString wakeSound() const { return wakeSound_; }
    double soundVolume() const { return soundVolume_; }
    static QVariantList appearanceOptions();
    static QVariantList soundOptions();

    // User changes.
    Q_INVOKABLE void chooseAppearance(const QString& raw);
    Q_INVOKABLE void setLaunchAtLoginByUser(bool on);
    Q_INVOKABLE void setSoundsByUser(bool on);
    Q_INVOKABLE void chooseWakeSound(const QString& id);
    Q_INVOKABLE void moveVolume(double volume);
    Q_INVOKABLE void releaseVolume();

signals:
    void servicesChanged();
    void appearanceChanged();
    void launchAtLoginChanged();
    void soundsChanged();
    void wakeSoundChanged();
    void soundVolumeChanged();

private:
    bool loginItemEnabled() const;
    void play(const QString& id) const;

    QPointer<SettingsServices> services_;
    QString appearance_;
    bool launchAtLogin_ = false;
    QString loginFailure_;
    bool sounds_ = true;
    QString wakeSound_;
    double soundVolume_ = 0;
};

} // namespace brisklet
