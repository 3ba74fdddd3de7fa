#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

namespace brisklet {

class Scheduler;

namespace platform {
class LoginItem;
class Permissions;
class SecretStore;
} // namespace platform

// What the settings sections reach beyond the stored settings: the host's wake
// callbacks, the login item, the keyring, permissions and the sound preview. The
// owner fills it; an empty member makes its controls do nothing. Main thread,
// except where a member says otherwise.
class SettingsServices : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The home window owns its settings services.")
public:
    // Whether a permission is held, or may still be asked for.
    enum class Grant { granted, notDetermined, denied };

    struct Browser {
        QString id;   // desktop ID
        QString name; // shown name; empty when no entry names it
        bool operator==(const Browser&) const = default;
    };

    explicit SettingsServices(QObject* parent = nullptr) : QObject(parent) {}

    // The wake pipeline.
    std::function<float()> level;
    std::function<void(double stored)> sensitivityChanged;
    std::function<void()> wakeConfigChanged;
    std::function<void()> runOnboarding;

    // General.
    platform::LoginItem* loginItem = nullptr;
    std::function<void(const QString& soundId, double volume)> playSound;

    // Ask: where the personal key lives (null: nowhere).
    platform::SecretStore* secrets = nullptr;

    // Permissions.
    platform::Permissions* permissions = nullptr;
    std::function<Grant()> microphone;
    std::function<Grant()> speech;
    std::function<bool()> accessibility;
    // The default browser; may block (a child process), so it runs off the main thread.
    std::function<std::optional<Browser>()> defaultBrowser;
    // Runs `work` on a worker thread; null: the global thread pool.
    std::function<void(std::function<void()> work)> runInBackground;

    // Help.
    std::function<void()> openHelp;
    std::function<void()> reportProblem;

    // What the Help section's buttons call; nothing when unset.
    Q_INVOKABLE void openHelpPage() const;
    Q_INVOKABLE void startProblemReport() const;

    // Timers of the sections; null: the app's scheduler.
    Scheduler* scheduler = nullptr;
    Scheduler& schedulerOrMain() const;
};

} // namespace brisklet
