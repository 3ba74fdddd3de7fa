#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet {

// One fixed-vocabulary command: the phrases that trigger it and its action string.
struct CommandEntry {
    QString id;                    // "sort-all"
    QStringList phrases;           // as the user typed them; compared after normalising
    QString action;                // "sortAll", "openApp", …
    QMap<QString, QString> params; // only "name" is read
    bool enabled = true;

    bool operator==(const CommandEntry&) const = default;

    QJsonObject toJson() const;
    // All five keys are required with their types ("params" values all strings);
    // other keys are ignored. Nothing when the object does not fit.
    static std::optional<CommandEntry> fromJson(const QJsonValue& value);
};

} // namespace brisklet
