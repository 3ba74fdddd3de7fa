#pragma once

#include "platform/Apps.h"
#include "setups/Setup.h"
#include "ui/setups/SetupEditorModel.h"

#include <QObject>
#include <QRectF>
#include <QStringList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

class AppIndex;
class SetupStore;

// Opens the setup editor on a stored setup, a blank one or a draft, and stores what
// it hands back. A setup that changed in the file since the editor opened is not
// replaced on the first press of Save: the editor says so and a second press
// decides. Main thread.
class SetupEditorController final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application owns the setup editor.")
    Q_PROPERTY(QObject* model READ modelObject CONSTANT)
public:
    // What the editor reads of the desktop when it opens; absent ones read empty.
    struct Providers {
        std::function<QStringList()> reserved;
        std::function<std::vector<platform::RunningApp>()> running;
        std::function<QString()> defaultBrowser;
        std::function<QString()> fingerprint;
        // The frames of the displays connected now, in the system's order.
        std::function<std::vector<QRectF>()> screens;
        std::function<QString()> home;
    };

    // `appIndex` may be null (no apps to offer).
    SetupEditorController(SetupStore& store, AppIndex* appIndex, Providers providers,
                          QObject* parent = nullptr);
    ~SetupEditorController() override;

    SetupEditorModel& model() { return model_; }
    QObject* modelObject() { return &model_; }

    // The stored setup with that id; false when there is none.
    Q_INVOKABLE bool openEditor(const QString& id);
    // A blank setup.
    Q_INVOKABLE void openNew();
    // Where a draft's save goes instead of the store; true when it is now saved.
    using SavePath = std::function<bool(const Setup&)>;

    // Any setup not stored yet (a suggestion or a drafted one).
    void openDraft(const Setup& draft);
    // A draft whose save goes to `save` while the store doesn't hold it yet; once it
    // does, the edits are written as for any stored setup, so they are never dropped.
    void openDraft(const Setup& draft, SavePath save);

    // A fresh setup with nothing in it, on the current displays.
    Setup blankDraft() const;

    static QString changedOutsideText();

signals:
    // After every save, with the setup as stored.
    void stored(const brisklet::Setup& setup);

private:
    void openOn(const Setup& setup);
    void store(Setup setup);

    SetupStore& store_;
    AppIndex* appIndex_;
    Providers providers_;
    SetupEditorModel model_;
    // The stored copy when the editor opened; nothing for a setup not stored then.
    std::optional<Setup> base_;
    SavePath savePath_;
};

} // namespace brisklet
