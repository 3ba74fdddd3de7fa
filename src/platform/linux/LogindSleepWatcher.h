#pragma once

#include "platform/SleepWatcher.h"

#include <QObject>

#include <map>

namespace brisklet::platform {

// Hears logind's PrepareForSleep(false) on the system bus. Without a system bus
// (containers, CI) it says so once in the log and never reports a wake.
class LogindSleepWatcher final : public QObject, public SleepWatcher {
    Q_OBJECT
public:
    explicit LogindSleepWatcher(QObject* parent = nullptr);

    Token addWakeHandler(std::function<void()> handler) override;
    void removeWakeHandler(Token token) override;

    bool isListening() const { return listening_; }

private slots:
    void prepareForSleep(bool sleeping);

private:
    bool listening_ = false;
    Token next_ = 0;
    std::map<Token, std::function<void()>> handlers_;
};

} // namespace brisklet::platform
