#pragma once

#include "base/Scheduler.h"
#include "base/SerialQueue.h"
#include "magic/DraftRunOutcome.h"
#include "magic/MagicProfile.h"
#include "magic/MagicProposal.h"
#include "magic/MagicRecommender.h"
#include "magic/MagicScan.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

class AppIndex;
class SetupStore;

// The model behind Magic: scans how the apps are used and what to propose on a
// background queue, and publishes the result on the main thread. Also carries how
// the last tried-out draft went. Published state is touched on the main thread only.
class MagicController final : public QObject {
    Q_OBJECT
public:
    // The desktop as a scan reads it, off the main thread: the usage sources, and
    // the default browser with the screens.
    struct Sources {
        MagicScan::Sources scan;
        std::function<MagicRecommender::Desktop()> desktop;
    };

    MagicController(AppIndex& appIndex, SetupStore& setups, Sources sources,
                    Scheduler& scheduler = Scheduler::main(), QObject* parent = nullptr);
    ~MagicController() override;

    const std::optional<MagicProfile>& profile() const { return profile_; }
    const std::vector<MagicProposal>& proposals() const { return proposals_; }
    bool scanning() const { return scanning_; }
    const std::optional<DraftRunOutcome>& lastRunOutcome() const { return lastRunOutcome_; }
    // Every outcome counts as a change: each carries a fresh stamp.
    void setLastRunOutcome(const DraftRunOutcome& outcome);

    // Starts a scan unless one is running. While the app index is still empty the
    // scan waits 1.5 s once, then reads whatever the index holds.
    void refresh();

    // What a scan ends with, on the main thread: the profile, then the proposals,
    // then idle, then onScanComplete. Hosts with prepared data publish it directly.
    void publish(MagicProfile profile, std::vector<MagicProposal> proposals,
                 MagicRecommender::Desktop desktop = {});
    // The desktop as the last scan found it (its default browser above all).
    const MagicRecommender::Desktop& desktop() const { return desktop_; }

    // Called after each scan has been published (onboarding takes the proposals).
    std::function<void(const std::vector<MagicProposal>&)> onScanComplete;

    static constexpr double emptyIndexRetry = 1.5;

signals:
    void profileChanged();
    void proposalsChanged();
    void scanningChanged();
    void lastRunOutcomeChanged();

private:
    void refreshNow();
    void scan(std::vector<IndexedApp> apps);
    void setScanning(bool on);

    AppIndex& appIndex_;
    SetupStore& setups_;
    Sources sources_;
    Scheduler& scheduler_;
    std::optional<MagicProfile> profile_;
    std::vector<MagicProposal> proposals_;
    MagicRecommender::Desktop desktop_;
    bool scanning_ = false;
    std::optional<DraftRunOutcome> lastRunOutcome_;
    SerialQueue queue_{"brisklet.magic", "magic"}; // last: stopped first
};

} // namespace brisklet
