#include "shell/DesktopPermissionCheck.h"

#include "base/MainThread.h"

namespace brisklet {

DesktopPermissionCheck::DesktopPermissionCheck(Reads reads, QObject* parent)
    : QObject(parent), reads_(std::move(reads)), queue_("com.brisklet.permissions", "permissions") {}

DesktopPermissionCheck::~DesktopPermissionCheck() {
    queue_.stop();
}

void DesktopPermissionCheck::check(std::function<void(const PermissionGrants&)> done) {
    queue_.async([this, done = std::move(done)] {
        const auto read = [](const std::function<bool()>& f) { return f && f(); };
        PermissionGrants grants;
        grants.microphone = read(reads_.microphone);
        grants.speech = read(reads_.speech);
        grants.accessibility = read(reads_.accessibility);
        grants.onDeviceSpeech = read(reads_.onDeviceSpeech);
        grants.speechUndetermined = !grants.speech && read(reads_.speechLoading);
        MainThread::post(this, [done, grants] { done(grants); });
    });
}

} // namespace brisklet
