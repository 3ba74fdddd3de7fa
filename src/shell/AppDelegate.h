#pragma once

#include <QObject>
#include <memory>

namespace brisklet {
class AppState;
namespace platform {
class SoundOutput;
}

// The composition root: builds every component in a fixed order, wires them and
// owns them for the life of the process.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Run the launch sequence once the application object exists.
    void launch();

    AppState* appState() const { return appState_; }

private:
    AppState* appState_ = nullptr;
    std::unique_ptr<platform::SoundOutput> soundOutput_;
};

} // namespace brisklet
