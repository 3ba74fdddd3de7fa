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
        const SpeechModel speech = reads_.speech ? reads_.speech() : SpeechModel::off;
        grants.speech = speech == SpeechModel::ready;
        // A model still loading is not known yet, not refused, and no reason to warn.
        grants.speechUndetermined = speech == SpeechModel::loading;
        grants.accessibility = read(reads_.accessibility);
        grants.onDeviceSpeech = speech != SpeechModel::off && read(reads_.onDeviceRecognition);
        MainThread::post(this, [done, grants] { done(grants); });
    });
}

} // namespace brisklet
