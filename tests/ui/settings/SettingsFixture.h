#pragma once

#include "ui/settings/SettingsServices.h"

#include "support/FakeClock.h"
#include "support/FakeLoginItem.h"
#include "support/FakePermissions.h"
#include "support/FakeScheduler.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace brisklet::test {

// The services the settings sections run on, wired to fakes and counters a test
// steers and reads. Background work waits in `jobs` until the test runs it.
struct SettingsFixture {
    using Grant = SettingsServices::Grant;

    SettingsFixture() {
        services.scheduler = &scheduler;
        services.level = [this] { return level; };
        services.wakeConfigChanged = [this] { ++wakeReloads; };
        services.sensitivityChanged = [this](double stored) { sensitivities.push_back(stored); };
        services.runOnboarding = [this] { ++tours; };
        services.loginItem = &login;
        services.secrets = &secrets;
        services.permissions = &permissions;
        services.playSound = [this](const QString& id, double volume) { played.emplace_back(id, volume); };
        services.microphone = [this] { return mic; };
        services.speech = [this] { return speech; };
        services.accessibility = [this] { return ax; };
        services.defaultBrowser = [this] { return browser; };
        services.runInBackground = [this](std::function<void()> work) { jobs.push_back(std::move(work)); };
        services.openHelp = [this] { ++helps; };
        services.reportProblem = [this] { ++reports; };
    }
    SettingsFixture(const SettingsFixture&) = delete;
    SettingsFixture& operator=(const SettingsFixture&) = delete;

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    SettingsServices services;
    FakeLoginItem login;
    FakeSecretStore secrets;
    FakePermissions permissions;
    float level = 0;
    int wakeReloads = 0;
    int tours = 0;
    int helps = 0;
    int reports = 0;
    std::vector<double> sensitivities;
    std::vector<std::pair<QString, double>> played;
    Grant mic = Grant::granted;
    Grant speech = Grant::granted;
    bool ax = true;
    std::optional<SettingsServices::Browser> browser;
    std::vector<std::function<void()>> jobs;
};

} // namespace brisklet::test
