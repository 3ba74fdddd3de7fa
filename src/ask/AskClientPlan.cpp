// The plan format a model answers in, read strictly.
#include "ask/AskClient.h"
#include "ask/ModelReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

namespace brisklet {

namespace {

using PlanError = AskClient::PlanError;

// A failure as a value that ends the parse.
struct Field {
    std::optional<PlanError> error;
};

// Text from a model goes to the display, the confirmation question and the
// effectors, so only its visible characters are kept ("Quit X?" must read as what runs).
using ModelReply::visible;

std::optional<QString> requiredText(const QJsonObject& o, const QString& field, PlanError& error) {
    const QJsonValue v = o.value(field);
    const QString text = v.isString() ? visible(v.toString()) : QString();
    if (text.isEmpty()) {
        error.msg = QStringLiteral("missing/empty ") + field;
        return std::nullopt;
    }
    return text;
}

// Absent, null or "" is none; any other non-string is an error (`ok` false).
std::optional<QString> optionalText(const QJsonObject& o, const QString& field, bool& ok) {
    const QJsonValue v = o.value(field);
    ok = true;
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString()) {
        ok = false;
        return std::nullopt;
    }
    const QString text = visible(v.toString());
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

// A JSON number truncated toward zero, checked against the range before it becomes
// an int, so a huge or non-finite value never wraps.
std::optional<int> integerIn(const QJsonValue& v, int low, int high) {
    if (!v.isDouble())
        return std::nullopt;
    const double d = std::trunc(v.toDouble());
    if (!std::isfinite(d) || d < low || d > high)
        return std::nullopt;
    return static_cast<int>(d);
}

bool bad(PlanError& error, const QString& field) {
    error.msg = QStringLiteral("bad ") + field;
    return false;
}

bool namedAction(const QString& type, const QJsonObject& o, Plan& plan, PlanError& error) {
    const auto name = requiredText(o, QStringLiteral("name"), error);
    if (!name)
        return false;
    if (type == u"openApp")
        plan.push_back(Action::openApp(*name));
    else if (type == u"quitApp")
        plan.push_back(Action::quitApp(*name));
    else if (type == u"focusApp")
        plan.push_back(Action::focusApp(*name));
    else if (type == u"applyLayout")
        plan.push_back(Action::applyLayout(*name));
    else if (type == u"runShortcut")
        plan.push_back(Action::runShortcut(*name));
    else if (type == u"runSetup")
        plan.push_back(Action::runSetup(*name));
    else
        plan.push_back(Action::endSetup(*name));
    return true;
}

bool sortWindows(const QJsonObject& o, Plan& plan, PlanError& error) {
    const QJsonValue scope = o.value(QStringLiteral("scope"));
    bool all = false;
    if (scope.isString()) {
        if (scope.toString() == u"all")
            all = true;
        else if (scope.toString() != u"active")
            return error.msg = QStringLiteral("bad scope"), false;
    }
    std::optional<int> count;
    if (o.contains(QStringLiteral("count"))) {
        count = integerIn(o.value(QStringLiteral("count")), 1, 12);
        if (!count)
            return bad(error, QStringLiteral("count"));
    }
    plan.push_back(all ? Action::sortAll() : Action::sortActive(count));
    return true;
}

bool playMusic(const QJsonObject& o, Plan& plan, PlanError& error) {
    const auto query = requiredText(o, QStringLiteral("query"), error);
    if (!query)
        return false;
    bool ok = true;
    const auto app = optionalText(o, QStringLiteral("app"), ok);
    if (!ok)
        return bad(error, QStringLiteral("app"));
    plan.push_back(Action::playMusic(*query, app));
    return true;
}

bool moveWindow(const QJsonObject& o, Plan& plan, PlanError& error) {
    const auto text = requiredText(o, QStringLiteral("position"), error);
    if (!text)
        return false;
    const auto position = windowPositionFromRaw(*text);
    if (!position)
        return bad(error, QStringLiteral("position"));
    plan.push_back(Action::moveWindow(*position));
    return true;
}

bool mediaControl(const QJsonObject& o, Plan& plan, PlanError& error) {
    const auto text = requiredText(o, QStringLiteral("op"), error);
    if (!text)
        return false;
    const auto op = mediaOpFromRaw(*text);
    if (!op)
        return bad(error, QStringLiteral("op"));
    plan.push_back(Action::mediaControl(*op));
    return true;
}

bool valueAction(const QString& type, const QJsonObject& o, Plan& plan, PlanError& error) {
    if (type == u"setVolume") {
        const auto level = integerIn(o.value(QStringLiteral("level")), 0, 100);
        if (!level)
            return bad(error, QStringLiteral("level"));
        plan.push_back(Action::setVolume(*level));
        return true;
    }
    const QJsonValue value = o.value(QStringLiteral("value"));
    if (!value.isBool())
        return bad(error, QStringLiteral("value"));
    plan.push_back(Action::mute(value.toBool()));
    return true;
}

bool captureSetup(const QJsonObject& o, Plan& plan, PlanError& error) {
    bool ok = true;
    const auto name = optionalText(o, QStringLiteral("name"), ok);
    if (!ok)
        return bad(error, QStringLiteral("name"));
    plan.push_back(Action::captureSetup(name));
    return true;
}

bool appendAction(const QJsonObject& o, Plan& plan, PlanError& error) {
    // The type is compared as sent: no cleaning may turn a wrong word into a right one.
    const QJsonValue type = o.value(QStringLiteral("type"));
    const QString t = type.isString() ? type.toString() : QString();
    if (t.isEmpty()) {
        error.msg = QStringLiteral("missing/empty type");
        return false;
    }
    if (t == u"openApp" || t == u"quitApp" || t == u"focusApp" || t == u"applyLayout" ||
        t == u"runShortcut" || t == u"runSetup" || t == u"endSetup")
        return namedAction(t, o, plan, error);
    if (t == u"moveWindow")
        return moveWindow(o, plan, error);
    if (t == u"sortWindows")
        return sortWindows(o, plan, error);
    if (t == u"setVolume" || t == u"mute")
        return valueAction(t, o, plan, error);
    if (t == u"screenshot" || t == u"lockScreen" || t == u"undoSetup") {
        plan.push_back(t == u"screenshot"   ? Action::screenshot()
                       : t == u"lockScreen" ? Action::lockScreen()
                                            : Action::undoSetup());
        return true;
    }
    if (t == u"playMusic")
        return playMusic(o, plan, error);
    if (t == u"mediaControl")
        return mediaControl(o, plan, error);
    if (t == u"captureSetup")
        return captureSetup(o, plan, error);
    error.msg = QStringLiteral("unknown type ") + t;
    return false;
}

} // namespace

AskClient::ParsedPlan AskClient::parsePlan(const QString& reply) {
    const QByteArray data = ModelReply::withoutFences(reply).toUtf8();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {{}, PlanError{parseError.errorString()}};
    const QJsonArray array = doc.array();
    if (!doc.isArray() || !ModelReply::allObjects(array))
        return {{}, PlanError{QStringLiteral("not a JSON array of objects")}};
    if (array.size() > 10)
        return {{}, PlanError{QStringLiteral("plan too long (%1)").arg(array.size())}};
    Plan plan;
    for (const QJsonValue& element : array) {
        PlanError error;
        if (!appendAction(element.toObject(), plan, error))
            return {{}, error};
    }
    return {plan, std::nullopt};
}

} // namespace brisklet
