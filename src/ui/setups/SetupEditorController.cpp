#include "ui/setups/SetupEditorController.h"

#include "commands/AppIndex.h"
#include "setups/SetupStore.h"
#include "ui/setups/SetupDraftEdits.h"

#include <QDir>

namespace brisklet {

namespace {

template <typename T> T ask(const std::function<T()>& provider, T fallback = T()) {
    return provider ? provider() : fallback;
}

} // namespace

SetupEditorController::SetupEditorController(SetupStore& store, AppIndex* appIndex, Providers providers,
                                             QObject* parent)
    : QObject(parent), store_(store), appIndex_(appIndex), providers_(std::move(providers)) {
    connect(&model_, &SetupEditorModel::saved, this, [this](const Setup& setup) { this->store(setup); });
    // Another save, a capture by voice or a synced file may take the draft's words.
    connect(&store_, &SetupStore::setupsChanged, &model_, &SetupEditorModel::storeChanged);
}

// An editor that goes while open (at quit) closes first: its sheet lets go of the
// model and stops its bindings before the model goes.
SetupEditorController::~SetupEditorController() {
    model_.close();
}

QString SetupEditorController::changedOutsideText() {
    return QStringLiteral("This setup was changed outside the editor since you opened it. Save again to "
                          "replace that change, or Cancel to keep it.");
}

bool SetupEditorController::openEditor(const QString& id) {
    const auto setup = store_.setup(QUuid(id));
    if (!setup)
        return false;
    openOn(*setup);
    return true;
}

void SetupEditorController::openNew() {
    openOn(blankDraft());
}

void SetupEditorController::openDraft(const Setup& draft) {
    openOn(draft);
}

void SetupEditorController::openDraft(const Setup& draft, SavePath save) {
    openOn(draft);
    savePath_ = std::move(save);
}

Setup SetupEditorController::blankDraft() const {
    return Setup::fresh(ask(providers_.fingerprint), QDateTime::currentDateTimeUtc());
}

void SetupEditorController::openOn(const Setup& setup) {
    savePath_ = {};
    base_ = store_.setup(setup.id);
    SetupEditorModel::Context context;
    if (appIndex_)
        context.apps = appIndex_->apps();
    context.running = ask(providers_.running);
    context.reserved = ask(providers_.reserved);
    context.defaultBrowser = ask(providers_.defaultBrowser);
    context.screens = ask(providers_.screens);
    context.home = providers_.home ? providers_.home() : QDir::homePath();
    SetupStore* store = &store_;
    context.stored = [store] { return store->snapshot(); };
    model_.open(setup, std::move(context));
}

void SetupEditorController::store(Setup setup) {
    // What another program wrote a moment ago counts, even before the store's
    // debounced reload has read it.
    store_.catchUp();
    // Their list may say the draft's words now: the editor stays open and says which.
    if (!model_.canSave())
        return;
    const auto current = store_.setup(setup.id);
    if (savePath_ && !base_ && !current) {
        // The path names and writes it. Its words passed the check above, so what
        // stops it is the file: the editor stays open and says so beside Save.
        if (!savePath_(setup)) {
            model_.setNotice(SetupDraftEdits::unsavedText(setup.name));
            return;
        }
        model_.close();
        emit stored(store_.setup(setup.id).value_or(setup));
        return;
    }
    const bool changedOutside =
        base_.has_value() != current.has_value() || (base_ && !base_->sameApartFromStamps(*current));
    if (changedOutside) {
        // The user has seen the notice once; the next press stores.
        base_ = current;
        model_.setNotice(changedOutsideText());
        return;
    }
    // A run while the editor was open stamped the stored copy; keep that stamp.
    if (current)
        setup.lastRunAt = current->lastRunAt;
    setup.name = SetupStore::nameForSave(setup, *store_.snapshot());
    if (!store_.upsert(setup)) {
        // The editor stays as filled in, for a second try once the disk takes it.
        model_.setNotice(SetupDraftEdits::unsavedText(setup.name));
        return;
    }
    model_.close();
    emit stored(setup);
}

} // namespace brisklet
