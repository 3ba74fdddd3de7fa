#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>
#include <vector>

namespace brisklet {

enum class SetupItemKind { app, url };

// A window frame as fractions of a display's visible frame (bottom-left origin),
// with the display's index in the screen order.
struct SetupFrame {
    double rx = 0;
    double ry = 0;
    double rw = 0;
    double rh = 0;
    int displayIndex = 0;
    bool operator==(const SetupFrame&) const = default;

    QJsonObject toJson() const;
    // Every key is required.
    static std::optional<SetupFrame> fromJson(const QJsonValue& value);
};

// System changes a setup makes when it runs; an absent field is left as it is.
struct SetupSystemState {
    enum class Appearance { light, dark };
    enum class Music { play, pause };

    std::optional<int> volume;
    std::optional<Appearance> appearance;
    std::optional<Music> music;
    std::optional<QString> musicPlayer; // desktop ID of the player to drive
    std::optional<QString> shortcut;
    std::optional<int> brightness;
    std::optional<QString> soundCue;
    bool operator==(const SetupSystemState&) const = default;

    bool isEmpty() const { return *this == SetupSystemState{}; }
    QJsonObject toJson() const;
    // A missing or null key stays absent; a value of the wrong kind fails.
    static std::optional<SetupSystemState> fromJson(const QJsonValue& value);
};

// One app or web page of a setup.
struct SetupItem {
    QUuid id;
    SetupItemKind kind = SetupItemKind::app;
    QString bundleID; // desktop ID of the app, or of the browser that shows the page
    QString appName;
    std::optional<QString> url;
    QString title;
    std::optional<SetupFrame> frame; // absent: opened but not placed
    std::optional<QString> projectPath;
    bool operator==(const SetupItem&) const = default;

    QJsonObject toJson() const;
    static std::optional<SetupItem> fromJson(const QJsonValue& value);
};

// A saved working world: apps and pages with their places, system changes and the
// phrases that run it. One element of the array in setups.json.
struct Setup {
    QUuid id;
    QString name;
    QStringList phrases;
    std::vector<SetupItem> items;
    SetupSystemState system;
    QString fingerprint; // the display fingerprint the frames were taken on
    bool endQuitsApps = true;
    bool closeOthers = false;
    bool requiresAllDisplays = false;
    std::optional<QString> icon; // absent: SetupIcons::autoFor(name)
    QDateTime createdAt;
    QDateTime updatedAt;
    std::optional<QDateTime> lastRunAt;
    bool operator==(const Setup&) const = default;

    // What decoding had to make up for keys the text left out.
    struct Filled {
        bool id = false;        // a new random id
        bool createdAt = false; // the time of decoding
    };

    // Equal in everything a run reads; a run itself stamps `lastRunAt` and
    // `updatedAt`, so those don't count.
    bool sameApartFromStamps(const Setup& other) const;

    std::vector<SetupItem> urlItems() const;
    std::vector<SetupItem> appItems() const;
    // Every item's app, pages' browsers included: what closing the rest keeps.
    QSet<QString> bundleIDs() const;
    // 1 + the largest display index among framed items; 1 when none has a frame.
    // Wide, so the largest index can't overflow.
    qint64 displaysNeeded() const;
    // What running it does besides opening its apps: "2 sites · dark mode".
    QString effectsSummary() const;

    // A new setup: a random id, taken on `fingerprint`, created and updated `now`.
    static Setup fresh(const QString& fingerprint, const QDateTime& now);

    QJsonObject toJson() const;
    // `now` stands in for missing dates. Only the keys that may be missing are
    // tolerated; any other fault fails the whole setup. Keys the record doesn't
    // know are dropped.
    static std::optional<Setup> fromJson(const QJsonValue& value, const QDateTime& now,
                                         Filled* filled = nullptr);
};

// The text forms that setups.json uses.
namespace SetupJson {
// 36 characters, upper case.
QString idText(const QUuid& id);
// Either case, braces allowed; nothing for anything else.
std::optional<QUuid> parseId(const QString& text);
// Whole seconds in UTC with a "Z".
QString dateText(const QDateTime& date);
// Internet date-time with a zone ("Z" or an offset); fractional seconds are cut.
std::optional<QDateTime> parseDate(const QString& text);
// A time as the file can hold it: UTC, whole seconds.
QDateTime wholeSeconds(const QDateTime& date);
} // namespace SetupJson

} // namespace brisklet
