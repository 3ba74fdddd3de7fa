#pragma once

#include "base/Clock.h"
#include "setups/SetupEngine.h"
#include "ui/setups/CapturePort.h"
#include "ui/setups/CapturePreviewModel.h"

#include <QObject>
#include <QPointer>
#include <QQuickView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

class SetupStore;

// Turns a capture of the screen into a saved setup: captures through the engine,
// shows the result in the "Review your setup" window, and on Save stores it, as an
// update of the setup whose spoken name equals the typed one, else as a new setup.
// Names pass the setup editor's rules: a command's words are refused, another
// setup's name is stored as a free copy name. Main thread, apart from `begin`.
class SetupCaptureController final : public QObject, public CapturePort {
    Q_OBJECT
public:
    // `engine` may be null: a capture then finds nothing. `clock` times the review's
    // presses against its changes.
    SetupCaptureController(SetupStore& store, SetupEngine* engine, QObject* parent = nullptr,
                           Clock& clock = Clock::system());
    ~SetupCaptureController() override;

    // Starts a capture and returns; the review window opens when it ends. Any thread.
    void begin(const std::optional<QString>& prefillName) override;
    // Opens the review window on a capture, closing an older one unsaved.
    void present(const SetupEngine::CaptureResult& result, const QString& name);
    // Stores a reviewed capture and closes the window, after catching up with the
    // file; nothing when the name is refused or would now update another setup than
    // before the file was read, nor when the file can't be written (the review then
    // stays open and says so). The setup as stored, named as stored.
    std::optional<Setup> save(const QString& name, const std::vector<SetupItem>& items,
                              const QString& fingerprint, bool closeOthers);
    // Why a name can't be saved, or nothing.
    std::optional<QString> refusal(const QString& name) const;

    // The normalised phrases that already mean a command; none when unset.
    std::function<QStringList()> reservedPhrases;

    QQuickView* window() const { return window_; }
    // The open review; without a GUI application it has no window.
    CapturePreviewModel* preview() const { return preview_; }

    static constexpr int width = 620;
    static constexpr int height = 700;

signals:
    // After every save, with the setup as stored.
    void saved(const brisklet::Setup& setup);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CapturePreviewModel* makePreview(const SetupEngine::CaptureResult& result, const QString& name,
                                     QObject* owner);
    // The stored setup a save under `name` updates, if any.
    std::optional<Setup> updated(const QString& name) const;
    // What a save under `name` stores, before its name is freed.
    Setup reviewed(const QString& name, const std::vector<SetupItem>& items, const QString& fingerprint,
                   bool closeOthers) const;
    // Why `setup` can't be stored beside `stored`, if it can't.
    std::optional<QString> conflictOf(const Setup& setup, const std::vector<Setup>& stored) const;
    void openWindow(QQuickView* view);
    void closeWindow();

    SetupStore& store_;
    QPointer<SetupEngine> engine_;
    Clock& clock_;
    QPointer<QQuickView> window_;
    QPointer<CapturePreviewModel> preview_;
};

} // namespace brisklet
