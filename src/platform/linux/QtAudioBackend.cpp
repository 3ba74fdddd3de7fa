#include "platform/linux/QtAudioBackend.h"

#include "base/Log.h"
#include "platform/linux/PulseServerWatcher.h"
#include "platform/linux/SampleConverter.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QMediaDevices>
#include <QThread>

#include <pthread.h>
#include <time.h>

namespace brisklet::platform {

namespace {
SampleFormat fromQt(QAudioFormat::SampleFormat format) {
    switch (format) {
    case QAudioFormat::UInt8:
        return SampleFormat::uint8;
    case QAudioFormat::Int16:
        return SampleFormat::int16;
    case QAudioFormat::Int32:
        return SampleFormat::int32;
    case QAudioFormat::Float:
        return SampleFormat::float32;
    default:
        return SampleFormat::unknown;
    }
}
} // namespace

// Owns the audio source; lives on the capture thread, and every member is used
// there only, apart from the atomics.
class CaptureWorker final : public QObject {
public:
    std::atomic<bool> running{false};
    std::atomic<bool> threadKnown{false};
    std::atomic<long> wakeups{0};
    pthread_t threadHandle{};
    std::function<void(const QString&)> onConfigurationChanged;

    // `defaultId` names the default input when we know better than Qt which it is.
    std::optional<InputFormat> readFormat(const QByteArray& defaultId) {
        device_ = QMediaDevices::defaultAudioInput();
        if (!defaultId.isEmpty()) {
            for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
                if (device.id() == defaultId)
                    device_ = device;
            }
        }
        if (device_.isNull())
            return std::nullopt;
        qtFormat_ = device_.preferredFormat();
        return InputFormat{qtFormat_.sampleRate(), qtFormat_.channelCount(),
                           fromQt(qtFormat_.sampleFormat())};
    }

    std::optional<AudioError> prepare(const InputFormat& format) {
        QString why;
        pending_ = SampleConverter::create(format, &why);
        if (!pending_) {
            qCWarning(lcAudio).noquote() << "no converter for the input:" << why;
            return AudioError::app(AudioError::converterSetupFailed);
        }
        return std::nullopt;
    }

    std::optional<AudioError> install(AudioBackend::Sink sink) {
        if (!pending_)
            return AudioError::app(AudioError::tapInstallFailed);
        converter_ = std::move(pending_);
        sink_ = std::move(sink);
        return std::nullopt;
    }

    void remove() { sink_ = nullptr; }

    std::optional<AudioError> start(bool quietly = false) {
        close();
        if (device_.isNull())
            return AudioError::app(AudioError::noInputDevice);
        source_ = new QAudioSource(device_, qtFormat_, this);
        // The sound server hands the input over in fragments of this length, and the
        // source wakes this thread once per fragment.
        if (!listening_)
            source_->setBufferSize(qtFormat_.bytesForDuration(qint64(QtAudioBackend::idlePeriodMs) * 1000));
        io_ = source_->start();
        if (!io_) {
            close();
            return AudioError::app(AudioError::tapInstallFailed);
        }
        const QAudio::State state = source_->state();
        if ((state != QAudio::ActiveState && state != QAudio::IdleState) ||
            source_->error() != QAudio::NoError) {
            close();
            return AudioError::app(AudioError::engineStartFailed);
        }
        connect(io_, &QIODevice::readyRead, this, [this] { readInput(); });
        connect(source_, &QAudioSource::stateChanged, this, [this](QAudio::State s) { stateChanged(s); });
        if (!quietly)
            qCInfo(lcAudio).noquote() << "audio input:" << device_.description() << qtFormat_.sampleRate()
                                      << "Hz" << qtFormat_.channelCount() << "channel(s)";
        running = true;
        return std::nullopt;
    }

    std::optional<AudioError> stop() {
        const bool failed = close();
        return failed ? std::optional(AudioError::app(AudioError::tapRemovalFailed)) : std::nullopt;
    }

    QByteArray deviceId() const { return device_.id(); }

    // A running input is opened again at the new pace; what it has gathered is
    // read first. The moment between the two may lose a few milliseconds of sound,
    // which falls before anyone speaks into the window.
    void setListening(bool listening) {
        if (listening == listening_)
            return;
        listening_ = listening;
        if (!source_)
            return;
        readInput();
        if (auto error = start(true)) {
            qCWarning(lcAudio).noquote() << "the input did not reopen at its new pace:" << error->description;
            // The old input is closed already; nothing else would ever open one again.
            inputLost();
        }
    }

private:
    // Returns whether the source reported an error when it stopped.
    bool close() {
        running = false;
        if (!source_)
            return false;
        source_->disconnect(this);
        if (io_)
            io_->disconnect(this);
        source_->stop();
        const bool failed = source_->error() != QAudio::NoError;
        delete source_;
        source_ = nullptr;
        io_ = nullptr;
        return failed;
    }

    void stateChanged(QAudio::State state) {
        if (state != QAudio::StoppedState || !source_)
            return;
        const QAudio::Error error = source_->error();
        if (error == QAudio::IOError || error == QAudio::FatalError)
            inputLost();
    }

    // The engine builds the input again, with a fresh look at the default device.
    void inputLost() {
        running = false;
        if (onConfigurationChanged)
            onConfigurationChanged(QStringLiteral("engine configuration changed"));
    }

    void readInput() {
        if (!io_)
            return;
        ++wakeups;
        for (;;) {
            const qint64 n =
                io_->read(reinterpret_cast<char*>(buffer_.data()), static_cast<qint64>(buffer_.size()));
            if (n <= 0)
                break;
            if (sink_ && converter_)
                converter_->push(std::span<const std::byte>(buffer_.data(), static_cast<std::size_t>(n)),
                                 sink_);
            // A short read does not mean the source is drained: it may hand out
            // one fragment at a time. Read until it has nothing more.
        }
    }

    QAudioDevice device_;
    QAudioFormat qtFormat_;
    std::unique_ptr<SampleConverter> pending_;
    std::unique_ptr<SampleConverter> converter_;
    AudioBackend::Sink sink_;
    QAudioSource* source_ = nullptr;
    QIODevice* io_ = nullptr;
    std::vector<std::byte> buffer_ = std::vector<std::byte>(64 * 1024);
    bool listening_ = false;
};

namespace {
// Run `work` on the worker's thread and wait for it.
template <typename Work> auto onWorker(CaptureWorker* worker, Work&& work) -> decltype(work()) {
    if (QThread::currentThread() == worker->thread())
        return work();
    decltype(work()) result{};
    QMetaObject::invokeMethod(
        worker, [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}
} // namespace

QtAudioBackend::QtAudioBackend() {
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("bk.audio.cap"));
    worker_ = new CaptureWorker;
    worker_->moveToThread(thread_);
    thread_->start();
    QMetaObject::invokeMethod(
        worker_,
        [w = worker_] {
            w->threadHandle = pthread_self();
            w->threadKnown = true;
        },
        Qt::BlockingQueuedConnection);
    worker_->onConfigurationChanged = [this](const QString& reason) { notifyChange(reason); };

    pulse_ = std::make_unique<PulseServerWatcher>(
        [this](const QByteArray&) { notifyChange(QStringLiteral("default input device changed")); });
    devices_ = std::make_unique<QMediaDevices>();
    lastDefaultId_ = QMediaDevices::defaultAudioInput().id();
    QObject::connect(devices_.get(), &QMediaDevices::audioInputsChanged, devices_.get(),
                     [this] { defaultInputsChanged(); });
}

QtAudioBackend::~QtAudioBackend() {
    devices_.reset();
    pulse_.reset();
    onWorker(worker_, [this] {
        worker_->remove();
        worker_->stop();
        return 0;
    });
    thread_->quit();
    thread_->wait();
    delete worker_;
    delete thread_;
}

void QtAudioBackend::setChangeHandler(ChangeHandler handler) {
    std::lock_guard lock(handlerMutex_);
    changeHandler_ = std::move(handler);
}

void QtAudioBackend::notifyChange(const QString& reason) {
    ChangeHandler handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = changeHandler_;
    }
    if (handler)
        handler(reason);
}

QByteArray QtAudioBackend::defaultInputId() const {
    return pulse_ && pulse_->isConnected() ? pulse_->defaultSource() : QByteArray();
}

void QtAudioBackend::defaultInputsChanged() {
    const QByteArray id = QMediaDevices::defaultAudioInput().id();
    if (id == lastDefaultId_)
        return;
    lastDefaultId_ = id;
    notifyChange(QStringLiteral("default input device changed"));
}

std::optional<InputFormat> QtAudioBackend::inputFormat() {
    return onWorker(worker_, [this, id = defaultInputId()] { return worker_->readFormat(id); });
}

std::optional<AudioError> QtAudioBackend::prepareConverter(const InputFormat& format) {
    return onWorker(worker_, [&] { return worker_->prepare(format); });
}

std::optional<AudioError> QtAudioBackend::installTap(Sink sink) {
    return onWorker(worker_, [&] { return worker_->install(std::move(sink)); });
}

std::optional<AudioError> QtAudioBackend::removeTap() {
    return onWorker(worker_, [this]() -> std::optional<AudioError> {
        worker_->remove();
        return std::nullopt;
    });
}

std::optional<AudioError> QtAudioBackend::startEngine() {
    return onWorker(worker_, [this] { return worker_->start(); });
}

std::optional<AudioError> QtAudioBackend::stopEngine() {
    return onWorker(worker_, [this] { return worker_->stop(); });
}

void QtAudioBackend::setListening(bool listening) {
    onWorker(worker_, [this, listening] {
        worker_->setListening(listening);
        return 0;
    });
}

long QtAudioBackend::captureWakeups() const {
    return worker_->wakeups.load();
}

bool QtAudioBackend::isRunning() const {
    return worker_->running;
}

std::optional<double> QtAudioBackend::captureThreadCpuSeconds() const {
    if (!worker_->threadKnown)
        return std::nullopt;
    clockid_t id;
    timespec ts{};
    if (pthread_getcpuclockid(worker_->threadHandle, &id) != 0 || clock_gettime(id, &ts) != 0)
        return std::nullopt;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace brisklet::platform
