#pragma once

#include <QString>
#include <QUuid>
#include <optional>
#include <vector>

namespace brisklet {

enum class WindowPosition { left, right, maximize, center };
enum class MediaOp { play, pause, playPause, next, previous };

// Raw values are exact, case-sensitive words ("left", "playPause").
QString rawValue(WindowPosition position);
QString rawValue(MediaOp op);
std::optional<WindowPosition> windowPositionFromRaw(const QString& raw);
std::optional<MediaOp> mediaOpFromRaw(const QString& raw);

// One effect Brisklet can have on the desktop. A tagged value: build it with the
// factories, which set only the fields of their kind, so equality compares the kind
// and its payload.
struct Action {
    enum class Kind {
        openApp,
        quitApp,
        focusApp,
        sortActive,
        moveWindow,
        saveLayout,
        applyLayout,
        setVolume,
        mute,
        runShortcut,
        mediaControl,
        playMusic,
        runSetup,
        endSetup,
        captureSetup,
        closeOthers,
        sortAll,
        hideOthers,
        nextDisplay,
        volumeUp,
        volumeDown,
        screenshot,
        lockScreen,
        doNotDisturb,
        meetingMode,
        undoSetup,
    };

    Kind kind = Kind::sortAll;
    // The app, layout, Shortcut or setup name; playMusic's query.
    QString name;
    // captureSetup's optional name; playMusic's optional player hint.
    std::optional<QString> optionalName;
    std::optional<int> count; // sortActive: absent = every window of the active display
    int level = 0;            // setVolume, percent
    bool muted = false;       // mute: true mutes, false unmutes
    WindowPosition position = WindowPosition::left;
    MediaOp op = MediaOp::play;
    // closeOthers; runSetup and endSetup from a card, the tray or the pick panel, which
    // know which setup they show even when another is said alike.
    QUuid setupID;

    bool operator==(const Action&) const = default;

    static Action openApp(const QString& name) { return named(Kind::openApp, name); }
    static Action quitApp(const QString& name) { return named(Kind::quitApp, name); }
    static Action focusApp(const QString& name) { return named(Kind::focusApp, name); }
    static Action sortActive(std::optional<int> count);
    static Action moveWindow(WindowPosition position);
    static Action saveLayout(const QString& name) { return named(Kind::saveLayout, name); }
    static Action applyLayout(const QString& name) { return named(Kind::applyLayout, name); }
    static Action setVolume(int level);
    static Action mute(bool muted);
    static Action runShortcut(const QString& name) { return named(Kind::runShortcut, name); }
    static Action mediaControl(MediaOp op);
    static Action playMusic(const QString& query, std::optional<QString> app);
    static Action runSetup(const QString& name, const QUuid& id = {}) {
        return ofSetup(Kind::runSetup, name, id);
    }
    static Action endSetup(const QString& name, const QUuid& id = {}) {
        return ofSetup(Kind::endSetup, name, id);
    }
    static Action captureSetup(std::optional<QString> name);
    static Action closeOthers(const QUuid& setupID);
    static Action sortAll() { return simple(Kind::sortAll); }
    static Action hideOthers() { return simple(Kind::hideOthers); }
    static Action nextDisplay() { return simple(Kind::nextDisplay); }
    static Action volumeUp() { return simple(Kind::volumeUp); }
    static Action volumeDown() { return simple(Kind::volumeDown); }
    static Action screenshot() { return simple(Kind::screenshot); }
    static Action lockScreen() { return simple(Kind::lockScreen); }
    static Action doNotDisturb() { return simple(Kind::doNotDisturb); }
    static Action meetingMode() { return simple(Kind::meetingMode); }
    static Action undoSetup() { return simple(Kind::undoSetup); }

    // playMusic's payload under its own names.
    const QString& query() const { return name; }
    const std::optional<QString>& app() const { return optionalName; }

    // The progress line shown while the action runs.
    QString hudDescription() const;
    // The compact token of one-line plan summaries and the executor's log.
    QString planToken() const;

private:
    static Action simple(Kind kind) {
        Action a;
        a.kind = kind;
        return a;
    }
    static Action named(Kind kind, const QString& name) {
        Action a;
        a.kind = kind;
        a.name = name;
        return a;
    }
    static Action ofSetup(Kind kind, const QString& name, const QUuid& id) {
        Action a = named(kind, name);
        a.setupID = id;
        return a;
    }
};

using Plan = std::vector<Action>;

// One action: its progress line; several: their tokens joined with " → "; none: "".
QString planSummary(const Plan& plan);

// A readable form for logs and test failures ("openApp(Firefox)").
QString debugDescription(const Action& action);

} // namespace brisklet
