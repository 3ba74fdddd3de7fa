#pragma once

#include "base/Clock.h"
#include "platform/Apps.h"
#include "setups/Setup.h"

#include <QObject>
#include <QRectF>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

class AppIndex;
class SetupStore;

// What the Setups pane shows and does: the cards newest first, the ideas for a
// user without setups, and the delete confirmation. Duplicating and deleting go to
// the store; everything else leaves as a signal (the editor and the capture flow
// live elsewhere). Main thread; it outlives every visit of the pane.
class SetupsPaneModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The home window owns the Setups pane's model.")
    Q_PROPERTY(bool hasSetups READ hasSetups NOTIFY changed)
    // One map per card, newest first; see cardRow().
    Q_PROPERTY(QVariantList cards READ cards NOTIFY changed)
    // [{name, blurb, appIDs, moreApps}], worked out afresh on every read.
    Q_PROPERTY(QVariantList ideas READ ideas NOTIFY changed)
    // The sizes of the displays connected now, for the miniatures.
    Q_PROPERTY(QVariantList screens READ screens NOTIFY changed)
    Q_PROPERTY(bool deleting READ isDeleting NOTIFY deletingChanged)
    Q_PROPERTY(QString deleteTitle READ deleteTitle NOTIFY deletingChanged)
public:
    // `appIndex` may be null (no ideas).
    SetupsPaneModel(SetupStore& store, AppIndex* appIndex, Clock& clock = Clock::system(),
                    QObject* parent = nullptr);

    // The frames of the displays connected now, in the system's order. Unset: Qt's screens.
    std::function<std::vector<QRectF>()> screensProvider;
    // The default browser, found off the main thread; the ideas' web pages open in it.
    void setDefaultBrowser(std::optional<platform::AppEntry> browser);

    bool hasSetups() const;
    QVariantList cards() const;
    QVariantList ideas() const;
    QVariantList screens() const;
    bool isDeleting() const { return deleting_.has_value(); }
    QString deleteTitle() const { return deleteTitle(deleting_ ? deleting_->name : QString()); }

    // What the pane's buttons call.
    Q_INVOKABLE void run(const QString& id);
    Q_INVOKABLE void end(const QString& id);
    Q_INVOKABLE void edit(const QString& id);
    Q_INVOKABLE void update(const QString& id);
    Q_INVOKABLE void duplicate(const QString& id);
    Q_INVOKABLE void askDelete(const QString& id);
    Q_INVOKABLE void confirmDelete();
    Q_INVOKABLE void cancelDelete();
    // "New" and "Start from scratch": the editor on a blank draft.
    Q_INVOKABLE void newSetup();
    Q_INVOKABLE void capture();
    // "Create & edit" on an idea: the editor on its draft. Nothing is stored.
    Q_INVOKABLE void createFromIdea(const QString& name);

    // What the editor's save comes back to: a name that sounds like another setup's
    // becomes a free copy name, then the store takes the setup.
    bool save(Setup edited);

    // The display fingerprint of the displays connected now.
    QString currentFingerprint() const;

    // Newest first by last run, else creation; ties keep store order.
    static std::vector<Setup> ordered(const std::vector<Setup>& setups);
    // The apps of a setup in item order, each once.
    static QStringList orderedAppIDs(const Setup& setup);
    // The first six of `ids` and the count beyond them ("+1"; empty for none).
    static QVariantMap iconRow(const QStringList& ids);
    static Setup blankDraft(const QString& fingerprint, const QDateTime& now);
    static QString deleteTitle(const QString& name);
    // The card's menu: [{text, action, destructive, separator}] in order.
    static QVariantList menuEntries(bool active);
    // Everything one card shows.
    QVariantMap cardRow(const Setup& setup, bool active, const QString& fingerprint,
                        const QDateTime& now) const;

    static constexpr int iconsShown = 6;

signals:
    void changed();
    void deletingChanged();
    void runRequested(const brisklet::Setup& setup);
    void endRequested(const brisklet::Setup& setup);
    void updateRequested(const brisklet::Setup& setup);
    void captureRequested();
    // Open the editor on this setup: a stored one, a blank draft or an idea's draft.
    void editRequested(const brisklet::Setup& setup);
    // A duplicate or a delete the setups file didn't take, in words for the display.
    void unsaved(const QString& text);

private:
    std::optional<Setup> stored(const QString& id) const;
    std::vector<QRectF> screenFrames() const;

    SetupStore& store_;
    AppIndex* appIndex_;
    Clock& clock_;
    std::optional<platform::AppEntry> defaultBrowser_;
    std::optional<Setup> deleting_;
};

} // namespace brisklet
