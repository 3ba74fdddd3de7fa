#include "commands/CommandEntry.h"

#include <QJsonArray>

namespace brisklet {

QJsonObject CommandEntry::toJson() const {
    QJsonObject paramsObject;
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        paramsObject.insert(it.key(), it.value());
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("phrases"), QJsonArray::fromStringList(phrases)},
        {QStringLiteral("action"), action},
        {QStringLiteral("params"), paramsObject},
        {QStringLiteral("enabled"), enabled},
    };
}

std::optional<CommandEntry> CommandEntry::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue id = o.value(QStringLiteral("id"));
    const QJsonValue phrases = o.value(QStringLiteral("phrases"));
    const QJsonValue action = o.value(QStringLiteral("action"));
    const QJsonValue params = o.value(QStringLiteral("params"));
    const QJsonValue enabled = o.value(QStringLiteral("enabled"));
    if (!id.isString() || !phrases.isArray() || !action.isString() || !params.isObject() || !enabled.isBool())
        return std::nullopt;
    CommandEntry entry;
    entry.id = id.toString();
    entry.action = action.toString();
    entry.enabled = enabled.toBool();
    for (const QJsonValue& p : phrases.toArray()) {
        if (!p.isString())
            return std::nullopt;
        entry.phrases << p.toString();
    }
    const QJsonObject paramsObject = params.toObject();
    for (auto it = paramsObject.begin(); it != paramsObject.end(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        entry.params.insert(it.key(), it.value().toString());
    }
    return entry;
}

} // namespace brisklet
