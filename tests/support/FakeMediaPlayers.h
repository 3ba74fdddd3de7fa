#pragma once

#include "platform/MediaPlayers.h"
#include "support/FakeClock.h"

#include <QMap>
#include <mutex>

namespace brisklet::test {

// Players on a pretend bus. Commands change the state before they answer, as a
// quick player would; every call is recorded as "bus method". A silent player lets
// each call to it run out its whole time, on the clock when one is given.
class FakeMediaPlayers final : public platform::MediaPlayers {
public:
    explicit FakeMediaPlayers(FakeClock* clock = nullptr) : clock_(clock) {}
    struct Player {
        QString desktopID;
        QString status = QStringLiteral("Paused");
        bool denied = false;
        bool silent = false; // never answers
    };
    void add(const QString& bus, Player player) {
        std::lock_guard lock(mutex_);
        players_[bus] = std::move(player);
    }
    Player& at(const QString& bus) { return players_[bus]; }
    QStringList calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    std::optional<QString> findRunning(const QStringList& ids, const QStringList& busNames,
                                       int timeoutMs) override {
        std::lock_guard lock(mutex_);
        if (timeoutMs <= 0)
            return std::nullopt;
        // Every player is asked at once: the silent ones cost one time-out together.
        bool anySilent = false;
        for (auto it = players_.begin(); it != players_.end(); ++it) {
            anySilent = anySilent || it->silent;
            if (!it->silent && ids.contains(it->desktopID, Qt::CaseInsensitive))
                return it.key();
        }
        if (anySilent)
            wait(timeoutMs);
        for (auto it = players_.begin(); it != players_.end(); ++it)
            if (busNames.contains(it.key()))
                return it.key();
        return std::nullopt;
    }
    std::optional<QString> playbackStatus(const QString& bus, int timeoutMs) override {
        std::lock_guard lock(mutex_);
        if (timeoutMs <= 0 || !players_.contains(bus))
            return std::nullopt;
        if (players_[bus].silent) {
            wait(timeoutMs);
            return std::nullopt;
        }
        return players_[bus].status;
    }
    platform::ScriptOutcome command(const QString& bus, const QString& method, int timeoutMs) override {
        std::lock_guard lock(mutex_);
        if (timeoutMs <= 0)
            return platform::ScriptOutcome::failed("no time left");
        calls_ << bus + " " + method;
        auto it = players_.find(bus);
        if (it != players_.end() && it->silent)
            wait(timeoutMs);
        if (it == players_.end() || it->silent)
            return platform::ScriptOutcome::failed("no reply");
        if (it->denied)
            return platform::ScriptOutcome::denied();
        if (method == "Play")
            it->status = "Playing";
        else if (method == "Pause")
            it->status = "Paused";
        else if (method == "PlayPause")
            it->status = it->status == "Playing" ? "Paused" : "Playing";
        return platform::ScriptOutcome::ok();
    }
    platform::ScriptOutcome openUri(const QString& bus, const QString& uri, int) override {
        std::lock_guard lock(mutex_);
        calls_ << bus + " OpenUri " + uri;
        if (!players_.contains(bus))
            return platform::ScriptOutcome::failed("no reply");
        players_[bus].status = "Playing";
        return platform::ScriptOutcome::ok();
    }
    void beginCommand() override {}
    platform::ScriptOutcome raise(const QString& bus, int) override {
        std::lock_guard lock(mutex_);
        calls_ << bus + " Raise";
        return platform::ScriptOutcome::ok();
    }

private:
    void wait(int timeoutMs) {
        if (clock_)
            clock_->advance(timeoutMs / 1000.0);
    }

    FakeClock* clock_;
    mutable std::mutex mutex_;
    QMap<QString, Player> players_;
    QStringList calls_;
};

} // namespace brisklet::test
