#pragma once

#include "platform/Permissions.h"

#include <QHash>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <vector>

namespace brisklet::test {

// Permissions with answers set by the test. `determine` counts the calls in
// progress and the most seen at once; requests are held until the test answers.
class FakePermissions final : public platform::Permissions {
public:
    QHash<QString, AutomationStatus> statuses; // missing: targetNotRunning
    QStringList openedPanes;
    int microphoneRequests = 0;
    int speechRequests = 0;
    std::vector<std::pair<QString, std::function<void(AutomationStatus)>>> requests;
    std::atomic<int> determining{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> determined{0};
    std::atomic<int> slowMs{0}; // how long each determine takes

    AutomationStatus determine(const QString& appID) override {
        const int now = ++determining;
        int most = mostAtOnce.load();
        while (now > most && !mostAtOnce.compare_exchange_weak(most, now)) {
        }
        ++determined;
        if (slowMs > 0)
            QThread::msleep(static_cast<unsigned long>(slowMs.load()));
        const AutomationStatus status = statuses.value(appID, AutomationStatus::targetNotRunning);
        --determining;
        return status;
    }
    void requestAutomation(const QString& appID, std::function<void(AutomationStatus)> completion) override {
        requests.emplace_back(appID, std::move(completion));
    }
    void requestMicrophone() override { ++microphoneRequests; }
    void requestSpeech() override { ++speechRequests; }
    void openPane(const QString& anchor) override { openedPanes << anchor; }
};

} // namespace brisklet::test
