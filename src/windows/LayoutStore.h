#pragma once

#include "base/Clock.h"
#include "base/JsonFile.h"
#include "base/KeptFile.h"
#include "commands/LayoutNames.h"
#include "windows/WindowEngine.h"

#include <QDateTime>
#include <QJsonObject>
#include <QRectF>
#include <QString>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

// One saved window: its app, its title and its frame as fractions of the visible
// frame of its display (bottom-left origin), with that display's index in the
// screen order.
struct LayoutWindow {
    QString bundleID;
    QString title;
    double rx = 0;
    double ry = 0;
    double rw = 0;
    double rh = 0;
    int displayIndex = 0;
    bool operator==(const LayoutWindow&) const = default;

    QJsonObject toJson() const;
    // Every key is required; nothing is made up for a missing one.
    static std::optional<LayoutWindow> fromJson(const QJsonValue& value);
};

struct SavedLayout {
    QString name; // as the user said it, not normalised
    QString fingerprint;
    std::vector<LayoutWindow> windows;
    QDateTime savedAt; // UTC, whole seconds
    bool operator==(const SavedLayout&) const = default;

    QJsonObject toJson() const;
    static std::optional<SavedLayout> fromJson(const QJsonValue& value);
};

// Named window layouts, kept in layouts.json. Snapshots and lookups run on the
// executor's queue; the names are also read by the matcher from other threads.
class LayoutStore final : public LayoutNames {
public:
    struct SnapshotResult {
        int saved = 0;        // windows saved; 0: nothing was saved
        bool written = false; // the file holds them
        bool operator==(const SnapshotResult&) const = default;
    };
    struct ApplyResult {
        bool found = false; // false: no saved layout matched the name
        int placed = 0;
        int total = 0;
        bool arrangementDiffers = false;
        bool operator==(const ApplyResult&) const = default;
    };

    // Reads layouts.json. A file that does not decode is kept aside as
    // "layouts-corrupt-backup.json" before anything replaces it; a file that could
    // not be read at all is never replaced.
    explicit LayoutStore(WindowEngine& engine, Clock& clock = Clock::system());

    // Saves the windows on screen under `name`. Blocks: call it off the main thread.
    SnapshotResult snapshot(const QString& name);
    // Puts the windows of a saved layout back, launching its apps as needed. Blocks.
    ApplyResult apply(const QString& name);

    // The display fingerprint of the current screens.
    QString fingerprint();

    // The display fingerprint of screens given by their frames, in screen order:
    // "2:1728x1117,2560x1440"; sizes truncated toward zero; "0:" for none.
    static QString fingerprint(const std::vector<QRectF>& screenFrames);

    // The saved layout a spoken name means: its exact normalised key, else the
    // closest key with a similarity of at least 0.7 (ties go to the lowest key).
    std::optional<SavedLayout> lookup(const QString& name) const;

    // The names of every saved layout as the user gave them, ordered by key: what
    // the matcher may match against. Safe from any thread.
    std::vector<QString> cachedNames() const override;

    // Writes every layout to layouts.json. A failure is logged and returned.
    JsonFile::WriteResult save();

    // Replaces (or adds) the layout stored under the normalised form of its name
    // (its date kept to whole seconds, as the file holds it) and writes the file.
    // Returns what the write did; when it failed, the store holds what it held before.
    JsonFile::WriteResult store(SavedLayout layout);

    // What a saved window's target rectangle is on the current screens (visible
    // frames, bottom-left origin, screen order): on its own display when that
    // still exists, else on the first one, cascaded by `cascadeSlot`, which then
    // goes up by one. Nothing when there is no screen.
    static std::optional<QRectF> placement(const LayoutWindow& window,
                                           const std::vector<QRectF>& visibleFrames, int& cascadeSlot);
    // The fractions of `frame` relative to `visibleFrame` (both bottom-left origin);
    // false, and nothing set, when the visible frame has no area.
    static bool setRelativeFrame(LayoutWindow& window, const QRectF& frame, const QRectF& visibleFrame);

    static constexpr double lookupThreshold = 0.7;
    static const QString corruptBackupName;

private:
    void load();
    void refreshNames();

    WindowEngine& engine_;
    Clock& clock_;
    // Sorted by key, so names, lookups and ties come out the same on every run.
    std::map<QString, SavedLayout> layouts_;
    // Never replaces what it can't read, nor an undecodable file before its backup.
    KeptFile file_{corruptBackupName};

    mutable std::mutex namesLock_;
    std::vector<QString> cachedNames_;
};

} // namespace brisklet
