#include "magic/MagicController.h"

#include "base/MainThread.h"
#include "commands/AppIndex.h"
#include "setups/SetupStore.h"

#include <QPointer>

namespace brisklet {

MagicController::MagicController(AppIndex& appIndex, SetupStore& setups, Sources sources,
                                 Scheduler& scheduler, QObject* parent)
    : QObject(parent), appIndex_(appIndex), setups_(setups), sources_(std::move(sources)),
      scheduler_(scheduler) {}

MagicController::~MagicController() {
    queue_.stop();
}

void MagicController::setLastRunOutcome(const DraftRunOutcome& outcome) {
    lastRunOutcome_ = outcome;
    emit lastRunOutcomeChanged();
}

void MagicController::setScanning(bool on) {
    if (scanning_ == on)
        return;
    scanning_ = on;
    emit scanningChanged();
}

void MagicController::refresh() {
    if (scanning_)
        return;
    setScanning(true);
    std::vector<IndexedApp> apps = appIndex_.apps();
    if (!apps.empty()) {
        scan(std::move(apps));
        return;
    }
    // The index's first scan hasn't ended yet: give it a moment, once.
    QPointer<MagicController> self(this);
    scheduler_.schedule(emptyIndexRetry, [self] {
        if (!self)
            return;
        self->setScanning(false);
        self->refreshNow();
    });
}

void MagicController::refreshNow() {
    if (scanning_)
        return;
    setScanning(true);
    scan(appIndex_.apps());
}

void MagicController::scan(std::vector<IndexedApp> apps) {
    const QStringList words = SetupStore::spokenWords(*setups_.snapshot());
    QPointer<MagicController> self(this);
    const Sources sources = sources_;
    queue_.async([self, apps = std::move(apps), words, sources] {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        MagicProfile profile = MagicScan::profile(apps, now, sources.scan);
        const MagicRecommender::Desktop desktop =
            sources.desktop ? sources.desktop() : MagicRecommender::Desktop{};
        std::vector<MagicProposal> proposals =
            MagicRecommender::proposals(profile, apps, words, desktop, now);
        MainThread::post(
            [self, profile = std::move(profile), proposals = std::move(proposals), desktop]() mutable {
                if (self)
                    self->publish(std::move(profile), std::move(proposals), desktop);
            });
    });
}

void MagicController::publish(MagicProfile profile, std::vector<MagicProposal> proposals,
                              MagicRecommender::Desktop desktop) {
    desktop_ = std::move(desktop);
    profile_ = std::move(profile);
    emit profileChanged();
    proposals_ = std::move(proposals);
    emit proposalsChanged();
    setScanning(false);
    if (onScanComplete)
        onScanComplete(proposals_);
}

} // namespace brisklet
