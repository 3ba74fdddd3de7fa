#include "setups/Setup.h"

#include "base/JsonFile.h"
#include "base/Text.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>

namespace brisklet {

namespace {

// One key of an object as read: absent (or null), a value, or a value of the
// wrong kind.
template <class T> struct Field {
    bool bad = false;
    std::optional<T> value;
};

bool absent(const QJsonValue& v) {
    return v.isUndefined() || v.isNull();
}

Field<QString> string(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (absent(v))
        return {};
    if (!v.isString())
        return {true, {}};
    return {false, v.toString()};
}

Field<double> number(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (absent(v))
        return {};
    if (!v.isDouble())
        return {true, {}};
    return {false, v.toDouble()};
}

// A whole number in int range: 1.0 passes, 1.5 and 1e10 fail.
Field<int> integer(const QJsonObject& o, const char* key) {
    const Field<double> n = number(o, key);
    if (n.bad || !n.value)
        return {n.bad, {}};
    const double d = *n.value;
    if (std::trunc(d) != d || d < double(INT_MIN) || d > double(INT_MAX))
        return {true, {}};
    return {false, static_cast<int>(d)};
}

Field<bool> boolean(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (absent(v))
        return {};
    if (!v.isBool())
        return {true, {}};
    return {false, v.toBool()};
}

Field<QUuid> uuid(const QJsonObject& o, const char* key) {
    const Field<QString> text = string(o, key);
    if (text.bad || !text.value)
        return {text.bad, {}};
    const auto id = SetupJson::parseId(*text.value);
    return {!id, id};
}

Field<QDateTime> date(const QJsonObject& o, const char* key) {
    const Field<QString> text = string(o, key);
    if (text.bad || !text.value)
        return {text.bad, {}};
    const auto parsed = SetupJson::parseDate(*text.value);
    return {!parsed, parsed};
}

Field<QStringList> strings(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (absent(v))
        return {};
    if (!v.isArray())
        return {true, {}};
    QStringList list;
    for (const QJsonValue& e : v.toArray()) {
        if (!e.isString())
            return {true, {}};
        list.append(e.toString());
    }
    return {false, list};
}

template <class E>
Field<E> choice(const QJsonObject& o, const char* key,
                std::initializer_list<std::pair<const char*, E>> table) {
    const Field<QString> text = string(o, key);
    if (text.bad || !text.value)
        return {text.bad, {}};
    for (const auto& [word, value] : table) {
        if (*text.value == QLatin1String(word))
            return {false, value};
    }
    return {true, {}};
}

void putIf(QJsonObject& o, const char* key, const std::optional<QString>& value) {
    if (value)
        o.insert(QLatin1String(key), *value);
}

void putIf(QJsonObject& o, const char* key, const std::optional<int>& value) {
    if (value)
        o.insert(QLatin1String(key), *value);
}

} // namespace

namespace SetupJson {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseId(const QString& text) {
    if (text.size() != 36 && text.size() != 38)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (!id.isNull())
        return id;
    // The all-zero id is a valid text that reads as the null id.
    static const QRegularExpression nil(QStringLiteral("^\\{?0{8}-0{4}-0{4}-0{4}-0{12}\\}?$"));
    if (nil.match(text).hasMatch() && (text.size() == 36 || (text.front() == u'{' && text.back() == u'}')))
        return QUuid();
    return std::nullopt;
}

QString dateText(const QDateTime& date) {
    return wholeSeconds(date).toString(Qt::ISODate);
}

std::optional<QDateTime> parseDate(const QString& text) {
    // Qt would take a date alone, or a time without a zone as local time: both are
    // refused, since the file's dates always say their zone.
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(\\.\\d+)?(Z|[+-]\\d{2}:\\d{2})$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const auto parsed = JsonFile::parseIsoDate(text);
    if (!parsed)
        return std::nullopt;
    return wholeSeconds(*parsed);
}

QDateTime wholeSeconds(const QDateTime& date) {
    return QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC);
}

} // namespace SetupJson

QJsonObject SetupFrame::toJson() const {
    return {{"rx", rx}, {"ry", ry}, {"rw", rw}, {"rh", rh}, {"displayIndex", displayIndex}};
}

std::optional<SetupFrame> SetupFrame::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto rx = number(o, "rx"), ry = number(o, "ry"), rw = number(o, "rw"), rh = number(o, "rh");
    const auto index = integer(o, "displayIndex");
    if (!rx.value || !ry.value || !rw.value || !rh.value || !index.value)
        return std::nullopt;
    return SetupFrame{*rx.value, *ry.value, *rw.value, *rh.value, *index.value};
}

QJsonObject SetupSystemState::toJson() const {
    QJsonObject o;
    putIf(o, "volume", volume);
    if (appearance)
        o.insert("appearance", *appearance == Appearance::light ? "light" : "dark");
    if (music)
        o.insert("music", *music == Music::play ? "play" : "pause");
    putIf(o, "musicPlayer", musicPlayer);
    putIf(o, "shortcut", shortcut);
    putIf(o, "brightness", brightness);
    putIf(o, "soundCue", soundCue);
    return o;
}

std::optional<SetupSystemState> SetupSystemState::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto volume = integer(o, "volume");
    const auto appearance =
        choice<Appearance>(o, "appearance", {{"light", Appearance::light}, {"dark", Appearance::dark}});
    const auto music = choice<Music>(o, "music", {{"play", Music::play}, {"pause", Music::pause}});
    const auto player = string(o, "musicPlayer");
    const auto shortcut = string(o, "shortcut");
    const auto brightness = integer(o, "brightness");
    const auto cue = string(o, "soundCue");
    if (volume.bad || appearance.bad || music.bad || player.bad || shortcut.bad || brightness.bad || cue.bad)
        return std::nullopt;
    return SetupSystemState{volume.value,   appearance.value, music.value, player.value,
                            shortcut.value, brightness.value, cue.value};
}

QJsonObject SetupItem::toJson() const {
    QJsonObject o{{"id", SetupJson::idText(id)},
                  {"kind", kind == SetupItemKind::app ? "app" : "url"},
                  {"bundleID", bundleID},
                  {"appName", appName},
                  {"title", title}};
    putIf(o, "url", url);
    // JSON has no NaN or infinity: a frame holding one would make the whole file
    // unreadable, so such a window is kept unplaced instead.
    if (frame && std::isfinite(frame->rx) && std::isfinite(frame->ry) && std::isfinite(frame->rw) &&
        std::isfinite(frame->rh))
        o.insert("frame", frame->toJson());
    putIf(o, "projectPath", projectPath);
    return o;
}

std::optional<SetupItem> SetupItem::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto id = uuid(o, "id");
    const auto kind =
        choice<SetupItemKind>(o, "kind", {{"app", SetupItemKind::app}, {"url", SetupItemKind::url}});
    const auto bundleID = string(o, "bundleID");
    const auto appName = string(o, "appName");
    const auto url = string(o, "url");
    const auto title = string(o, "title");
    const auto project = string(o, "projectPath");
    if (!id.value || !kind.value || !bundleID.value || !appName.value || !title.value || url.bad ||
        project.bad)
        return std::nullopt;
    std::optional<SetupFrame> frame;
    const QJsonValue frameValue = o.value(QLatin1String("frame"));
    if (!absent(frameValue)) {
        frame = SetupFrame::fromJson(frameValue);
        if (!frame)
            return std::nullopt;
    }
    return SetupItem{*id.value, *kind.value,  *bundleID.value, *appName.value,
                     url.value, *title.value, frame,           project.value};
}

bool Setup::sameApartFromStamps(const Setup& other) const {
    Setup a = *this;
    Setup b = other;
    a.lastRunAt = b.lastRunAt = std::nullopt;
    a.updatedAt = b.updatedAt = QDateTime();
    return a == b;
}

std::vector<SetupItem> Setup::urlItems() const {
    std::vector<SetupItem> out;
    std::copy_if(items.begin(), items.end(), std::back_inserter(out),
                 [](const SetupItem& i) { return i.kind == SetupItemKind::url; });
    return out;
}

std::vector<SetupItem> Setup::appItems() const {
    std::vector<SetupItem> out;
    std::copy_if(items.begin(), items.end(), std::back_inserter(out),
                 [](const SetupItem& i) { return i.kind == SetupItemKind::app; });
    return out;
}

QSet<QString> Setup::bundleIDs() const {
    QSet<QString> ids;
    for (const auto& item : items)
        ids.insert(item.bundleID);
    return ids;
}

Setup Setup::fresh(const QString& fingerprint, const QDateTime& now) {
    Setup setup;
    setup.id = QUuid::createUuid();
    setup.fingerprint = fingerprint;
    setup.createdAt = now;
    setup.updatedAt = now;
    return setup;
}

qint64 Setup::displaysNeeded() const {
    std::optional<qint64> largest;
    for (const SetupItem& item : items) {
        if (item.frame && (!largest || item.frame->displayIndex > *largest))
            largest = item.frame->displayIndex;
    }
    return largest ? *largest + 1 : 1;
}

QString Setup::effectsSummary() const {
    QStringList parts;
    const auto sites = urlItems().size();
    if (sites > 0)
        parts << QString::number(sites) + (sites == 1 ? QStringLiteral(" site") : QStringLiteral(" sites"));
    if (closeOthers)
        parts << QStringLiteral("closes everything else");
    if (std::any_of(items.begin(), items.end(), [](const SetupItem& i) { return i.projectPath.has_value(); }))
        parts << QStringLiteral("opens a project");
    if (system.volume)
        parts << QStringLiteral("volume %1%").arg(*system.volume);
    if (system.brightness)
        parts << QStringLiteral("brightness %1%").arg(*system.brightness);
    if (system.appearance)
        parts << (*system.appearance == SetupSystemState::Appearance::light ? QStringLiteral("light mode")
                                                                            : QStringLiteral("dark mode"));
    if (system.music)
        parts << (*system.music == SetupSystemState::Music::play ? QStringLiteral("music on")
                                                                 : QStringLiteral("music off"));
    if (system.shortcut && !system.shortcut->isEmpty())
        parts << QStringLiteral("Shortcut ") + Text::quoted(*system.shortcut);
    if (system.soundCue)
        parts << QStringLiteral("plays a chime");
    return parts.join(QStringLiteral(" \u00B7 "));
}

QJsonObject Setup::toJson() const {
    QJsonArray itemList;
    for (const SetupItem& item : items)
        itemList.append(item.toJson());
    QJsonObject o{{"id", SetupJson::idText(id)},
                  {"name", name},
                  {"phrases", QJsonArray::fromStringList(phrases)},
                  {"items", itemList},
                  {"system", system.toJson()},
                  {"fingerprint", fingerprint},
                  {"endQuitsApps", endQuitsApps},
                  {"closeOthers", closeOthers},
                  {"requiresAllDisplays", requiresAllDisplays},
                  {"createdAt", SetupJson::dateText(createdAt)},
                  {"updatedAt", SetupJson::dateText(updatedAt)}};
    putIf(o, "icon", icon);
    if (lastRunAt)
        o.insert("lastRunAt", SetupJson::dateText(*lastRunAt));
    return o;
}

std::optional<Setup> Setup::fromJson(const QJsonValue& value, const QDateTime& now, Filled* filled) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto id = uuid(o, "id");
    const auto name = string(o, "name");
    const auto phrases = strings(o, "phrases");
    const auto fingerprint = string(o, "fingerprint");
    const auto endQuits = boolean(o, "endQuitsApps");
    const auto closeOthers = boolean(o, "closeOthers");
    const auto requiresAll = boolean(o, "requiresAllDisplays");
    const auto icon = string(o, "icon");
    const auto created = date(o, "createdAt");
    const auto updated = date(o, "updatedAt");
    const auto lastRun = date(o, "lastRunAt");
    if (id.bad || !name.value || phrases.bad || fingerprint.bad || endQuits.bad || closeOthers.bad ||
        requiresAll.bad || icon.bad || created.bad || updated.bad || lastRun.bad)
        return std::nullopt;

    Setup setup;
    const QJsonValue itemsValue = o.value(QLatin1String("items"));
    if (!absent(itemsValue)) {
        if (!itemsValue.isArray())
            return std::nullopt;
        for (const QJsonValue& v : itemsValue.toArray()) {
            auto item = SetupItem::fromJson(v);
            if (!item)
                return std::nullopt;
            setup.items.push_back(std::move(*item));
        }
    }
    const QJsonValue systemValue = o.value(QLatin1String("system"));
    if (!absent(systemValue)) {
        auto system = SetupSystemState::fromJson(systemValue);
        if (!system)
            return std::nullopt;
        setup.system = std::move(*system);
    }
    const QDateTime stamp = SetupJson::wholeSeconds(now);
    setup.id = id.value.value_or(QUuid::createUuid());
    setup.name = *name.value;
    setup.phrases = phrases.value.value_or(QStringList());
    setup.fingerprint = fingerprint.value.value_or(QString());
    setup.endQuitsApps = endQuits.value.value_or(true);
    setup.closeOthers = closeOthers.value.value_or(false);
    setup.requiresAllDisplays = requiresAll.value.value_or(false);
    setup.icon = icon.value;
    setup.createdAt = created.value.value_or(stamp);
    setup.updatedAt = updated.value.value_or(setup.createdAt);
    setup.lastRunAt = lastRun.value;
    if (filled)
        *filled = {!id.value, !created.value};
    return setup;
}

} // namespace brisklet
