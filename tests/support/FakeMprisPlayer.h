#pragma once

#include "support/FakeDBusService.h"

#include <memory>

namespace brisklet::test {

// A music player on the private session bus that speaks enough MPRIS for Brisklet:
// its entry, its playback state (changed before a command answers) and the
// transport commands, OpenUri and Raise.
class FakeMprisPlayer final {
public:
    FakeMprisPlayer(const QString& busSuffix, const QString& desktopEntry, const QString& status = "Paused");
    FakeDBusService& service() { return *service_; }
    QString busName() const { return busName_; }
    QString problem() const { return service_->problem(); }
    QString status() const;
    QStringList methodCalls() const { return service_->methodCalls(); }

private:
    QString busName_;
    std::unique_ptr<FakeDBusService> service_;
};

} // namespace brisklet::test
