#pragma once

#include "base/RepeatingTimer.h"
#include "base/Scheduler.h"
#include "base/SerialQueue.h"

#include <QString>
#include <QStringView>
#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

namespace platform {
class InstalledApps;
class RunningApps;
} // namespace platform

struct RunningPair;

// A text's letters counted in 32 buckets, so that names far from a phrase can be
// ruled out before any edit distance. Letters sharing a bucket only make such tests
// more lenient.
struct LetterProfile {
    std::array<quint8, 32> counts{};
    int size = 0;
    // Every code unit is one character and no bucket overflowed; tests apply only then.
    bool plain = false;

    static LetterProfile of(QStringView text);
    bool operator==(const LetterProfile&) const = default;
};

// One application a spoken name may refer to.
struct IndexedApp {
    QString name;                    // the entry's localised Name (a running app's name outside the scan)
    QString normalizedName;          // `name` normalised; all scoring uses it
    QString url;                     // the desktop entry's path
    std::optional<QString> bundleID; // the desktop-file ID
    // The phonetic key of `normalizedName`, worked out once per scan so matching
    // does not redo it for every app on every phrase. Empty: not worked out.
    QString phoneticKey;
    // Profiles of `normalizedName` and `phoneticKey`; not plain when not worked out.
    LetterProfile nameProfile;
    LetterProfile keyProfile;

    static IndexedApp make(const QString& name, const QString& url, std::optional<QString> bundleID);
};

// The installed and running applications, rescanned every 600 s on a queue of its
// own, and the fuzzy score every part of the program compares app names with.
class AppIndex final {
public:
    // `running` may be null: then only installed applications are listed. Both must
    // outlive the index.
    AppIndex(platform::InstalledApps* installed, platform::RunningApps* running,
             Scheduler& scheduler = Scheduler::main());
    ~AppIndex();
    AppIndex(const AppIndex&) = delete;
    AppIndex& operator=(const AppIndex&) = delete;

    // One scan now, then one every 600 s. Main thread, once.
    void start();
    // Start one scan and return; the list changes when it ends.
    void refresh();
    // Wait until the scans asked for so far have ended (snapshot mode and tests).
    void waitForScans();

    // A copy of the current list (empty until the first scan ends). Any thread.
    std::vector<IndexedApp> apps() const;
    // The current list without copying it: scans replace the list, never change it.
    std::shared_ptr<const std::vector<IndexedApp>> snapshot() const;

    // 0…1: how well a spoken name fits an app name. Both already normalised.
    static double score(QStringView query, QStringView candidate);
    // The same score when it is at least `floor`; some value below `floor` otherwise
    // (cheaper: the edit distance stops early).
    static double scoreAtLeast(QStringView query, QStringView candidate, double floor);
    // The largest edit distance at which `scoreAtLeast` may still reach `floor`, for
    // texts whose longer one has `longest` characters.
    static int editLimit(int longest, double floor);

    // The best indexed app for a spoken name, at a score of at least 0.55.
    std::optional<IndexedApp> resolve(const QString& name) const;

    static constexpr double refreshInterval = 600;

private:
    void scan(const std::vector<RunningPair>& running);

    platform::InstalledApps* installed_;
    platform::RunningApps* running_;
    mutable std::mutex lock_;
    std::shared_ptr<const std::vector<IndexedApp>> apps_;
    RepeatingTimer timer_;
    SerialQueue queue_; // last: stopped first, before anything a scan touches goes away
};

} // namespace brisklet
