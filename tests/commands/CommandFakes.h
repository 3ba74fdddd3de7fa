#pragma once

#include "base/Text.h"
#include "commands/LayoutNames.h"
#include "commands/Levenshtein.h"
#include "commands/SetupDirectory.h"
#include "platform/Apps.h"

#include <atomic>

namespace brisklet::test {

// Setups as the store keeps them, with the store's lookup by spoken name.
class FakeSetups final : public SetupDirectory {
public:
    explicit FakeSetups(std::vector<SetupNames> list = {}) { set(std::move(list)); }
    void set(std::vector<SetupNames> list) {
        list_ = std::make_shared<const std::vector<SetupNames>>(std::move(list));
    }
    std::shared_ptr<const std::vector<SetupNames>> setupNames() const override {
        ++reads;
        return list_;
    }
    std::optional<QString> lookupName(const QString& phrase) const override {
        ++reads;
        const QString q = Text::normalize(phrase);
        if (q.isEmpty())
            return std::nullopt;
        for (const SetupNames& s : *list_) {
            if (Text::normalize(s.name) == q)
                return s.name;
        }
        const SetupNames* best = nullptr;
        double bestScore = 0;
        for (const SetupNames& s : *list_) {
            const double score = Levenshtein::similarity(q, Text::normalize(s.name));
            if (score > bestScore) {
                best = &s;
                bestScore = score;
            }
        }
        if (best && bestScore >= 0.7)
            return best->name;
        return std::nullopt;
    }
    mutable std::atomic<int> reads{0};

private:
    std::shared_ptr<const std::vector<SetupNames>> list_;
};

class FakeLayouts final : public LayoutNames {
public:
    explicit FakeLayouts(std::vector<QString> names = {}) : names(std::move(names)) {}
    std::vector<QString> cachedNames() const override {
        ++reads;
        return names;
    }
    std::vector<QString> names;
    mutable std::atomic<int> reads{0};
};

class FakeInstalledApps final : public platform::InstalledApps {
public:
    std::vector<platform::AppEntry> installedApps() override {
        ++scans;
        return apps;
    }
    std::vector<platform::AppEntry> apps;
    std::atomic<int> scans{0};
};

class FakeRunningApps final : public platform::RunningApps {
public:
    std::vector<platform::RunningApp> runningApps() override { return apps; }
    std::optional<platform::RunningApp> frontmostApp() override {
        return apps.empty() ? std::nullopt : std::optional(apps.front());
    }
    std::vector<platform::RunningApp> apps;
};

} // namespace brisklet::test
