#pragma once

#include "platform/Permissions.h"

#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QtQml/qqmlregistration.h>
#include <cstdint>
#include <memory>

namespace brisklet {

class RepeatingTimer;
class SettingsServices;

// The Permissions section: what Brisklet holds now, re-read when shown and every
// 2 s, with a way to grant each missing permission. The browser check runs off the
// main thread, one at a time: a tick that finds one running starts none, and a
// result older than the last one applied is dropped.
class PermissionsSettingsModel : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    Q_PROPERTY(QObject* services READ servicesObject WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(bool mic READ mic NOTIFY changed)
    Q_PROPERTY(bool speech READ speech NOTIFY changed)
    Q_PROPERTY(bool ax READ ax NOTIFY changed)
    Q_PROPERTY(QString browserStatus READ browserStatusName NOTIFY changed)
    Q_PROPERTY(QString browserName READ browserName NOTIFY changed)
    Q_PROPERTY(QString browserTitle READ browserTitle NOTIFY changed)
    Q_PROPERTY(QString browserDetail READ browserDetail NOTIFY changed)
public:
    using Status = platform::Permissions::AutomationStatus;
    static constexpr double pollInterval = 2.0;

    explicit PermissionsSettingsModel(QObject* parent = nullptr);
    ~PermissionsSettingsModel() override;

    void classBegin() override {}
    void componentComplete() override { start(); }
    // Reads everything once, then every 2 s while the model lives.
    void start();

    QObject* servicesObject() const;
    void setServices(QObject* services);

    bool mic() const { return mic_; }
    bool speech() const { return speech_; }
    bool ax() const { return ax_; }
    Status browserStatus() const { return browserStatus_; }
    QString browserStatusName() const;
    QString browserName() const { return browserName_; }
    QString browserID() const { return browserID_; }
    QString browserTitle() const { return QStringLiteral("Control ") + browserName_; }
    QString browserDetail() const;
    bool checkRunning() const { return checkRunning_; }

    // Re-reads the three permissions and starts a browser check unless one runs.
    Q_INVOKABLE void refresh();
    // The rows' buttons.
    Q_INVOKABLE void allowMicrophone();
    Q_INVOKABLE void allowSpeech();
    Q_INVOKABLE void allowAccessibility();
    Q_INVOKABLE void allowBrowser();
    Q_INVOKABLE void fixBrowser();
    Q_INVOKABLE void runOnboarding();

signals:
    void servicesChanged();
    void changed();

private:
    struct Found;
    void startCheck();
    void applyCheck(std::uint64_t sequence, const Found& found);
    void applyStatus(std::uint64_t sequence, Status status);
    platform::Permissions* permissions() const;

    QPointer<SettingsServices> services_;
    std::unique_ptr<RepeatingTimer> poll_;
    bool mic_ = false;
    bool speech_ = false;
    bool ax_ = false;
    Status browserStatus_ = Status::notDetermined;
    QString browserName_ = QStringLiteral("your browser");
    QString browserID_;
    bool checkRunning_ = false;
    std::uint64_t issued_ = 0;  // sequence of the newest check or request started
    std::uint64_t applied_ = 0; // sequence of the newest result applied
};

} // namespace brisklet
