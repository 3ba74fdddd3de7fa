#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace brisklet::Prefs {

// The settings keys. Settings live in $XDG_CONFIG_HOME/Brisklet/Brisklet.conf.
namespace Key {
inline constexpr const char* sensitivity = "brisklet.sensitivity";
inline constexpr const char* soundsEnabled = "brisklet.soundsEnabled";
inline constexpr const char* wakeSound = "brisklet.wakeSound";
inline constexpr const char* soundVolume = "brisklet.soundVolume";
inline constexpr const char* fusionDisabled = "brisklet.fusionDisabled";
inline constexpr const char* askEnabled = "brisklet.askEnabled";
inline constexpr const char* debugAudio = "brisklet.debugAudio";
inline constexpr const char* onboarded = "brisklet.onboarded";
inline constexpr const char* activationStyle = "brisklet.activationStyle";
inline constexpr const char* wakeKeyCode = "brisklet.wakeKeyCode";
inline constexpr const char* clapWake = "brisklet.clapWake";
inline constexpr const char* wakeMethod = "brisklet.wakeMethod";
inline constexpr const char* appearance = "brisklet.appearance";
inline constexpr const char* commandsRun = "brisklet.commandsRun";
inline constexpr const char* setupsRun = "brisklet.setupsRun";
inline constexpr const char* commandsExpanded = "brisklet.commandsExpanded";
inline constexpr const char* installID = "brisklet.installID";
inline constexpr const char* migratedFromLegacy = "brisklet.migratedFromLegacy";
} // namespace Key

// Every function is safe to call from any thread; values are read at the moment
// they are needed, so a change written by the settings screens counts at once.

// The stored value, else the registered default, else an invalid QVariant.
QVariant value(const QString& key);
// Whether a value is stored (registered defaults don't count).
bool contains(const QString& key);

// Typed reads; an absent key reads false, 0, 0.0, "" or an empty list.
bool boolValue(const QString& key);
int intValue(const QString& key);
double doubleValue(const QString& key);
QString stringValue(const QString& key);
QStringList stringListValue(const QString& key);

void setValue(const QString& key, const QVariant& value);
// Adds one to a stored count in one step, so two threads counting at once both
// count; the count stops at its largest value rather than wrapping to a negative one.
void increment(const QString& key);
void remove(const QString& key);
// Write pending changes and pick up changes made by other processes.
void sync();

// Whether the settings file holds the settings as set: false from the write that
// failed (logged, the change kept for the session) until one that takes.
bool written();
// Tells, on its own thread, whenever `written()` changes.
class WriteState final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void changed();
};
WriteState& writeState();

// Run the wake-setting migration, then register the defaults table (in memory;
// registration never writes or replaces a stored value).
void registerDefaults();
void migrateWakeModel();
QVariantMap registeredDefaults();

QString settingsPath();
// Forget the open settings file and the registered defaults, so the next call opens
// the file under the current $XDG_CONFIG_HOME. For tests that switch folders.
void reset();

} // namespace brisklet::Prefs
