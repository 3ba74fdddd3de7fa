#pragma once

#include <QObject>
#include <memory>

namespace brisklet {
class AppState;
class InstanceServer;
namespace platform {
class SoundOutput;
}

// The composition root: builds every component in a fixed order, wires them and
// owns them for the life of the process.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    enum class LaunchResult {
        running,  // this instance carries on
        deferred, // another Brisklet runs; it was asked to show itself
    };

    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Run the launch sequence once the application object exists.
    LaunchResult launch();

    AppState* appState() const { return appState_; }

    // A second launch (or reopening) asks for the home window.
    void handleReopen();

private:
    bool deferToRunningInstance();

    AppState* appState_ = nullptr;
    InstanceServer* instanceServer_ = nullptr;
    std::unique_ptr<platform::SoundOutput> soundOutput_;
};

} // namespace brisklet
