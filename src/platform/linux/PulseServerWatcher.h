#pragma once

#include <QByteArray>

#include <functional>
#include <mutex>

struct pa_threaded_mainloop;
struct pa_context;

namespace brisklet::platform {

// Follows the sound server's default source. Qt Multimedia reads the default
// input once and never hears that the user picked another, so we ask the server
// ourselves. Without a PulseAudio-compatible server it stays silent.
class PulseServerWatcher final {
public:
    // `onDefaultSourceChanged` runs on the watcher's own thread.
    explicit PulseServerWatcher(std::function<void(const QByteArray& name)> onDefaultSourceChanged);
    ~PulseServerWatcher();

    PulseServerWatcher(const PulseServerWatcher&) = delete;
    PulseServerWatcher& operator=(const PulseServerWatcher&) = delete;

    bool isConnected() const;
    // The default source's name (Qt's device id for it); empty when unknown.
    QByteArray defaultSource() const;

private:
    static void contextState(pa_context* context, void* self);
    static void serverEvent(pa_context* context, int type, unsigned index, void* self);
    static void serverInfo(pa_context* context, const void* info, void* self);
    void requestServerInfo();

    std::function<void(const QByteArray&)> onChanged_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    mutable std::mutex mutex_;
    QByteArray defaultSource_;
    bool haveInfo_ = false;
    bool connected_ = false;
};

} // namespace brisklet::platform
