#pragma once

#include "base/Prefs.h"
#include "commands/AppIndex.h"
#include "magic/MagicBackend.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "platform/Apps.h"
#include "setups/SetupStore.h"
#include "ui/magic/MagicPaneHost.h"

#include "support/FakeClock.h"
#include "support/FakeScheduler.h"
#include "support/TempHome.h"

namespace brisklet::test {

class NoApps final : public platform::InstalledApps {
public:
    std::vector<platform::AppEntry> installedApps() override { return {}; }
};

// A builder route that answers when the test says.
class HeldRoute final : public MagicBackend {
public:
    bool available = true;
    std::function<void(const TextResult&)> pending;
    bool isAvailable() const override { return available; }
    void build(const QString&, std::function<void(const TextResult&)> completion) override {
        pending = std::move(completion);
    }
};

inline AppUsage usage(const QString& id, const QString& name, qint64 count, bool running = false,
                      bool dock = false) {
    AppUsage u;
    u.bundleID = id;
    u.name = name;
    u.useCount = count;
    u.isRunning = running;
    u.inDock = dock;
    return u;
}

inline MagicProposal proposalOf(const QString& title, const QStringList& ids) {
    MagicProposal p;
    p.title = title;
    p.blurb = title + " side by side.";
    p.draft.id = QUuid::createUuid();
    p.draft.name = title;
    double x = 0;
    for (const QString& id : ids) {
        SetupItem item;
        item.id = QUuid::createUuid();
        item.bundleID = id;
        item.appName = id;
        item.frame = SetupFrame{x, 0, 1.0 / double(ids.size()), 1, 0};
        x += 1.0 / double(ids.size());
        p.draft.items.push_back(item);
        p.evidence[id] = "open right now";
    }
    return p;
}

// A host over a real controller and store, with the choices recorded.
struct MagicPaneFixture {
    MagicPaneFixture() {
        Prefs::registerDefaults();
        auto d = std::make_unique<HeldRoute>();
        route = d.get();
        builder = std::make_unique<MagicBuilder>(std::move(d), std::make_unique<HeldRoute>());
        host.builder = builder.get();
        host.onRunDraft = [this](const Setup& s) { choices << "run " + s.name; };
        // As the application saves: under a free name when the name is taken.
        host.onSaveDraft = [this](Setup s) {
            choices << "save " + s.name;
            s.name = SetupStore::nameForSave(s, store.setups());
            return saveWorks && store.upsert(s);
        };
        host.onUndo = [this] { choices << "undo"; };
        host.axGranted = [this] { return granted; };
    }
    static MagicProfile profile(std::vector<AppUsage> apps) {
        return {std::move(apps), QDateTime(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC)};
    }

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    NoApps apps;
    AppIndex index{&apps, nullptr, scheduler};
    SetupStore store{home.dataHome() + "/setups.json", scheduler};
    MagicController magic{index, store, {}, scheduler};
    HeldRoute* route = nullptr;
    std::unique_ptr<MagicBuilder> builder;
    MagicPaneHost host{magic, store};
    QStringList choices;
    bool saveWorks = true;
    bool granted = true;
};

} // namespace brisklet::test
