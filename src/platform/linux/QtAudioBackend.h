#pragma once

#include "platform/AudioBackend.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>

class QMediaDevices;
class QThread;

namespace brisklet::platform {

class CaptureWorker;
class PulseServerWatcher;

// The default input through Qt Multimedia (PulseAudio or PipeWire). The audio
// objects live on a capture thread of their own with its own event loop, where the
// input is read and converted; the engine's calls hop there and wait. Make it on
// the main thread: that is where changes of the default input are heard.
class QtAudioBackend final : public AudioBackend {
public:
    QtAudioBackend();
    ~QtAudioBackend() override;

    void setChangeHandler(ChangeHandler handler) override;
    std::optional<InputFormat> inputFormat() override;
    std::optional<AudioError> prepareConverter(const InputFormat& format) override;
    std::optional<AudioError> installTap(Sink sink) override;
    std::optional<AudioError> removeTap() override;
    std::optional<AudioError> startEngine() override;
    std::optional<AudioError> stopEngine() override;
    bool isRunning() const override;
    std::optional<double> captureThreadCpuSeconds() const override;

private:
    void defaultInputsChanged();
    QByteArray defaultInputId() const;
    void notifyChange(const QString& reason);

    QThread* thread_ = nullptr;
    CaptureWorker* worker_ = nullptr;
    std::unique_ptr<QMediaDevices> devices_;
    std::unique_ptr<PulseServerWatcher> pulse_;
    std::mutex handlerMutex_;
    ChangeHandler changeHandler_;
    QByteArray lastDefaultId_; // main thread
};

} // namespace brisklet::platform
