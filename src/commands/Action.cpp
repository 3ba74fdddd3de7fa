#include "commands/Action.h"

#include "base/Text.h"

#include <QStringList>

namespace brisklet {

using Text::quoted;

QString rawValue(WindowPosition position) {
    switch (position) {
    case WindowPosition::left:
        return QStringLiteral("left");
    case WindowPosition::right:
        return QStringLiteral("right");
    case WindowPosition::maximize:
        return QStringLiteral("maximize");
    case WindowPosition::center:
        return QStringLiteral("center");
    }
    return {};
}

QString rawValue(MediaOp op) {
    switch (op) {
    case MediaOp::play:
        return QStringLiteral("play");
    case MediaOp::pause:
        return QStringLiteral("pause");
    case MediaOp::playPause:
        return QStringLiteral("playPause");
    case MediaOp::next:
        return QStringLiteral("next");
    case MediaOp::previous:
        return QStringLiteral("previous");
    }
    return {};
}

std::optional<WindowPosition> windowPositionFromRaw(const QString& raw) {
    for (WindowPosition p :
         {WindowPosition::left, WindowPosition::right, WindowPosition::maximize, WindowPosition::center}) {
        if (rawValue(p) == raw)
            return p;
    }
    return std::nullopt;
}

std::optional<MediaOp> mediaOpFromRaw(const QString& raw) {
    for (MediaOp op : {MediaOp::play, MediaOp::pause, MediaOp::playPause, MediaOp::next, MediaOp::previous}) {
        if (rawValue(op) == raw)
            return op;
    }
    return std::nullopt;
}

Action Action::sortActive(std::optional<int> count) {
    Action a = simple(Kind::sortActive);
    a.count = count;
    return a;
}

Action Action::moveWindow(WindowPosition position) {
    Action a = simple(Kind::moveWindow);
    a.position = position;
    return a;
}

Action Action::setVolume(int level) {
    Action a = simple(Kind::setVolume);
    a.level = level;
    return a;
}

Action Action::mute(bool muted) {
    Action a = simple(Kind::mute);
    a.muted = muted;
    return a;
}

Action Action::mediaControl(MediaOp op) {
    Action a = simple(Kind::mediaControl);
    a.op = op;
    return a;
}

Action Action::playMusic(const QString& query, std::optional<QString> app) {
    Action a = named(Kind::playMusic, query);
    a.optionalName = std::move(app);
    return a;
}

Action Action::captureSetup(std::optional<QString> name) {
    Action a = simple(Kind::captureSetup);
    a.optionalName = std::move(name);
    return a;
}

Action Action::closeOthers(const QUuid& setupID) {
    Action a = simple(Kind::closeOthers);
    a.setupID = setupID;
    return a;
}

QString Action::hudDescription() const {
    switch (kind) {
    case Kind::openApp:
        return QStringLiteral("Opening ") + name;
    case Kind::quitApp:
        return QStringLiteral("Quitting ") + name;
    case Kind::focusApp:
        return QStringLiteral("Switching to ") + name;
    case Kind::sortActive:
        return count ? QStringLiteral("Sorting %1 windows").arg(*count) : QStringLiteral("Sorting windows");
    case Kind::moveWindow:
        switch (position) {
        case WindowPosition::left:
            return QStringLiteral("Left half");
        case WindowPosition::right:
            return QStringLiteral("Right half");
        case WindowPosition::maximize:
            return QStringLiteral("Maximizing");
        case WindowPosition::center:
            return QStringLiteral("Centering");
        }
        break;
    case Kind::saveLayout:
        return QStringLiteral("Saving layout ") + quoted(name);
    case Kind::applyLayout:
        return QStringLiteral("Layout ") + quoted(name);
    case Kind::setVolume:
        return QStringLiteral("Volume %1%").arg(level);
    case Kind::mute:
        return muted ? QStringLiteral("Muting") : QStringLiteral("Unmuting");
    case Kind::runShortcut:
        return QStringLiteral("Shortcut ") + quoted(name);
    case Kind::mediaControl:
        switch (op) {
        case MediaOp::play:
            return QStringLiteral("Playing");
        case MediaOp::pause:
            return QStringLiteral("Pausing");
        case MediaOp::playPause:
            return QStringLiteral("Play / pause");
        case MediaOp::next:
            return QStringLiteral("Next track");
        case MediaOp::previous:
            return QStringLiteral("Previous track");
        }
        break;
    case Kind::playMusic:
        return optionalName ? QStringLiteral("Playing ") + name + QStringLiteral(" on ") + *optionalName
                            : QStringLiteral("Playing ") + name;
    case Kind::runSetup:
        return QStringLiteral("Setting up ") + quoted(name);
    case Kind::endSetup:
        return QStringLiteral("Ending ") + quoted(name);
    case Kind::captureSetup:
        return optionalName ? QStringLiteral("Capturing ") + quoted(*optionalName)
                            : QStringLiteral("Capturing setup");
    case Kind::closeOthers:
        return QStringLiteral("Closing the rest");
    case Kind::sortAll:
        return QStringLiteral("Sorting every display");
    case Kind::hideOthers:
        return QStringLiteral("Hiding others");
    case Kind::nextDisplay:
        return QStringLiteral("Next display");
    case Kind::volumeUp:
        return QStringLiteral("Volume up");
    case Kind::volumeDown:
        return QStringLiteral("Volume down");
    case Kind::screenshot:
        return QStringLiteral("Screenshot");
    case Kind::lockScreen:
        return QStringLiteral("Locking screen");
    case Kind::doNotDisturb:
        return QStringLiteral("Do Not Disturb");
    case Kind::meetingMode:
        return QStringLiteral("Meeting mode");
    case Kind::undoSetup:
        return QStringLiteral("Putting things back");
    }
    return {};
}

QString Action::planToken() const {
    switch (kind) {
    case Kind::openApp:
        return QStringLiteral("open ") + name;
    case Kind::quitApp:
        return QStringLiteral("quit ") + name;
    case Kind::focusApp:
        return QStringLiteral("focus ") + name;
    case Kind::sortActive:
        return QStringLiteral("sort");
    case Kind::moveWindow:
        return rawValue(position);
    case Kind::saveLayout:
        return QStringLiteral("save ") + name;
    case Kind::applyLayout:
        return QStringLiteral("layout ") + name;
    case Kind::setVolume:
        return QStringLiteral("vol %1").arg(level);
    case Kind::mute:
        return muted ? QStringLiteral("mute") : QStringLiteral("unmute");
    case Kind::runShortcut:
        return QStringLiteral("shortcut ") + name;
    case Kind::mediaControl:
        return rawValue(op);
    case Kind::playMusic:
        return QStringLiteral("play music");
    case Kind::runSetup:
        return QStringLiteral("setup ") + name;
    case Kind::endSetup:
        return QStringLiteral("end ") + name;
    case Kind::captureSetup:
        return optionalName ? QStringLiteral("capture ") + *optionalName : QStringLiteral("capture setup");
    case Kind::closeOthers:
        return QStringLiteral("close rest");
    case Kind::sortAll:
        return QStringLiteral("sort all");
    case Kind::hideOthers:
        return QStringLiteral("hide others");
    case Kind::nextDisplay:
        return QStringLiteral("next display");
    case Kind::volumeUp:
        return QStringLiteral("vol +");
    case Kind::volumeDown:
        return QStringLiteral("vol -");
    case Kind::screenshot:
        return QStringLiteral("screenshot");
    case Kind::lockScreen:
        return QStringLiteral("lock");
    case Kind::doNotDisturb:
        return QStringLiteral("dnd");
    case Kind::meetingMode:
        return QStringLiteral("meeting");
    case Kind::undoSetup:
        return QStringLiteral("undo");
    }
    return {};
}

QString planSummary(const Plan& plan) {
    if (plan.empty())
        return {};
    if (plan.size() == 1)
        return plan.front().hudDescription();
    QStringList tokens;
    for (const Action& a : plan)
        tokens << a.planToken();
    return tokens.join(QStringLiteral(" \u2192 "));
}

QString debugDescription(const Action& a) {
    using K = Action::Kind;
    auto opt = [](const std::optional<QString>& s) { return s ? *s : QStringLiteral("nil"); };
    switch (a.kind) {
    case K::openApp:
        return QStringLiteral("openApp(%1)").arg(a.name);
    case K::quitApp:
        return QStringLiteral("quitApp(%1)").arg(a.name);
    case K::focusApp:
        return QStringLiteral("focusApp(%1)").arg(a.name);
    case K::sortActive:
        return QStringLiteral("sortActive(%1)")
            .arg(a.count ? QString::number(*a.count) : QStringLiteral("nil"));
    case K::moveWindow:
        return QStringLiteral("moveWindow(%1)").arg(rawValue(a.position));
    case K::saveLayout:
        return QStringLiteral("saveLayout(%1)").arg(a.name);
    case K::applyLayout:
        return QStringLiteral("applyLayout(%1)").arg(a.name);
    case K::setVolume:
        return QStringLiteral("setVolume(%1)").arg(a.level);
    case K::mute:
        return QStringLiteral("mute(%1)").arg(a.muted ? "true" : "false");
    case K::runShortcut:
        return QStringLiteral("runShortcut(%1)").arg(a.name);
    case K::mediaControl:
        return QStringLiteral("mediaControl(%1)").arg(rawValue(a.op));
    case K::playMusic:
        return QStringLiteral("playMusic(%1, %2)").arg(a.name, opt(a.optionalName));
    case K::runSetup:
        return QStringLiteral("runSetup(%1)").arg(a.name);
    case K::endSetup:
        return QStringLiteral("endSetup(%1)").arg(a.name);
    case K::captureSetup:
        return QStringLiteral("captureSetup(%1)").arg(opt(a.optionalName));
    case K::closeOthers:
        return QStringLiteral("closeOthers(%1)").arg(a.setupID.toString(QUuid::WithoutBraces));
    case K::sortAll:
        return QStringLiteral("sortAll");
    case K::hideOthers:
        return QStringLiteral("hideOthers");
    case K::nextDisplay:
        return QStringLiteral("nextDisplay");
    case K::volumeUp:
        return QStringLiteral("volumeUp");
    case K::volumeDown:
        return QStringLiteral("volumeDown");
    case K::screenshot:
        return QStringLiteral("screenshot");
    case K::lockScreen:
        return QStringLiteral("lockScreen");
    case K::doNotDisturb:
        return QStringLiteral("doNotDisturb");
    case K::meetingMode:
        return QStringLiteral("meetingMode");
    case K::undoSetup:
        return QStringLiteral("undoSetup");
    }
    return {};
}

} // namespace brisklet
