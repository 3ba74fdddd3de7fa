#include "ui/setups/SetupCaptureController.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "setups/SetupStore.h"
#include "ui/design/ViewWindow.h"
#include "ui/setups/CapturePreviewModel.h"
#include "ui/setups/SetupDraftEdits.h"

#include <QGuiApplication>
#include <QScreen>

namespace brisklet {

SetupCaptureController::SetupCaptureController(SetupStore& store, SetupEngine* engine, QObject* parent,
                                               Clock& clock)
    : QObject(parent), store_(store), engine_(engine), clock_(clock) {}

SetupCaptureController::~SetupCaptureController() {
    if (window_)
        delete window_.data();
}

void SetupCaptureController::begin(const std::optional<QString>& prefillName) {
    QPointer<SetupCaptureController> self(this);
    const QString name = prefillName.value_or(QString());
    auto deliver = [self, name](const SetupEngine::CaptureResult& result) {
        if (self)
            self->present(result, name);
    };
    // The engine is used from the main thread only; `begin` may come from elsewhere.
    MainThread::post(this, [self, deliver] {
        if (!self)
            return;
        if (self->engine_)
            self->engine_->captureCurrent(deliver);
        else
            deliver({});
    });
}

void SetupCaptureController::present(const SetupEngine::CaptureResult& result, const QString& name) {
    closeWindow();
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    // Headless (tests without a display): the review exists without its window.
    QQuickView* view = gui ? new QQuickView() : nullptr;
    QObject* owner = view ? static_cast<QObject*>(view) : this;
    preview_ = makePreview(result, name, owner);
    if (gui) {
        QVariantList sizes;
        for (const QScreen* screen : QGuiApplication::screens())
            sizes << QSizeF(screen->geometry().size());
        preview_->setScreens(sizes);
    }
    if (view)
        openWindow(view);
}

CapturePreviewModel* SetupCaptureController::makePreview(const SetupEngine::CaptureResult& result,
                                                         const QString& name, QObject* owner) {
    QPointer<SetupCaptureController> self(this);
    auto* preview = new CapturePreviewModel(
        result, name,
        [self](const QString& text) -> std::optional<QString> {
            if (!self)
                return std::nullopt;
            if (const auto found = self->store_.lookup(text))
                return found->name;
            return std::nullopt;
        },
        owner, clock_);
    preview->setRefusal([self](const QString& text) -> std::optional<QString> {
        return self ? self->refusal(text) : std::nullopt;
    });
    // Another save, a capture by voice or a synced file may take the typed name.
    connect(&store_, &SetupStore::setupsChanged, preview, &CapturePreviewModel::storeChanged);
    connect(preview, &CapturePreviewModel::saveRequested, this,
            [self](const QString& n, const std::vector<SetupItem>& items, const QString& fingerprint,
                   bool closeOthers) {
                if (self)
                    self->save(n, items, fingerprint, closeOthers);
            });
    connect(preview, &CapturePreviewModel::cancelRequested, this, [self] {
        if (self)
            self->closeWindow();
    });
    return preview;
}

void SetupCaptureController::openWindow(QQuickView* view) {
    view->setTitle(QStringLiteral("Review your setup"));
    // Titled and closable only: a review is neither minimised nor resized.
    view->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    view->setMinimumSize(QSize(width, height));
    view->setMaximumSize(QSize(width, height));
    view->resize(width, height);
    ViewWindow::load(*view, QStringLiteral("CapturePreviewView.qml"),
                     {{QStringLiteral("preview"), QVariant::fromValue<QObject*>(preview_.data())}},
                     "capture review");
    ViewWindow::centre(*view, QSize(width, height));
    view->installEventFilter(this);
    window_ = view;
    view->showNormal();
    view->raise();
    view->requestActivate();
}

std::optional<Setup> SetupCaptureController::updated(const QString& name) const {
    auto existing = store_.lookup(name);
    if (existing && SetupStore::saidAlike(existing->name, name))
        return existing;
    return std::nullopt;
}

Setup SetupCaptureController::reviewed(const QString& name, const std::vector<SetupItem>& items,
                                       const QString& fingerprint, bool closeOthers) const {
    const auto existing = updated(name);
    Setup result;
    if (existing) {
        result = *existing;
        result.name = name;
        result.items = items;
        result.fingerprint = fingerprint;
        result.closeOthers = existing->closeOthers || closeOthers;
    } else {
        result = Setup::fresh(fingerprint, QDateTime::currentDateTimeUtc());
        result.name = name;
        result.items = items;
        result.closeOthers = closeOthers;
    }
    return result;
}

std::optional<QString> SetupCaptureController::refusal(const QString& name) const {
    return conflictOf(reviewed(name, {}, {}, false), *store_.snapshot());
}

std::optional<QString> SetupCaptureController::conflictOf(const Setup& setup,
                                                          const std::vector<Setup>& stored) const {
    // The setup it would update is checked as itself, so its own name passes.
    return SetupDraftEdits::conflict(setup, reservedPhrases ? reservedPhrases() : QStringList(), stored);
}

std::optional<Setup> SetupCaptureController::save(const QString& name, const std::vector<SetupItem>& items,
                                                  const QString& fingerprint, bool closeOthers) {
    const auto idOf = [](const std::optional<Setup>& setup) { return setup ? setup->id : QUuid(); };
    const QUuid shown = idOf(updated(name));
    // What another program wrote a moment ago counts, even before the store's
    // debounced reload has read it; the review reads it again as it comes in.
    store_.catchUp();
    // The press would now update another setup than the review said, or none: the
    // review says so first and the next press decides.
    if (idOf(updated(name)) != shown)
        return std::nullopt;
    Setup result = reviewed(name, items, fingerprint, closeOthers);
    if (conflictOf(result, *store_.snapshot()))
        return std::nullopt;
    if (!store_.upsertUnderFreeName(result)) {
        // The review stays as filled in, for a second try once the disk takes it.
        if (preview_)
            preview_->setUnsaved(SetupDraftEdits::unsavedText(result.name));
        return std::nullopt;
    }
    closeWindow();
    emit saved(result);
    return result;
}

void SetupCaptureController::closeWindow() {
    if (window_)
        window_->close();
    else if (preview_ && preview_->parent() == this) {
        // It may be the sender of the save that brought us here.
        preview_->deleteLater();
        preview_ = nullptr;
    }
}

// Whatever closes the window (Save, Cancel, its close button) ends the review.
bool SetupCaptureController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == window_.data()) {
        window_->deleteLater();
        window_ = nullptr;
        preview_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brisklet
