#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <vector>

namespace brisklet::test {

// What a source of the test desktop's sound server hears (the sink's monitor, or the
// microphone made of it), recorded by parec at 16 kHz mono.
class SinkRecorder {
public:
    explicit SinkRecorder(const QString& device = QStringLiteral("testsink.monitor"), int latencyMs = 5) {
        parec_.start(QStringLiteral("parec"),
                     {QStringLiteral("--device=") + device, QStringLiteral("--raw"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                      QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=%1").arg(latencyMs)});
    }
    ~SinkRecorder() {
        parec_.terminate();
        parec_.waitForFinished(2000);
    }
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Once the recorder has delivered `seconds` of what the source hears; what comes
    // after is what samples() gives.
    bool start(double seconds = 0.5) {
        if (!parec_.waitForStarted(5000))
            return false;
        const qsizetype wanted = qsizetype(seconds * 16000) * 2;
        for (int i = 0; i < 100 && pcm_.size() < wanted; ++i)
            record(100);
        from_ = pcm_.size() & ~qsizetype(1);
        return pcm_.size() >= wanted;
    }
    void record(int ms) {
        const QDeadlineTimer until(ms);
        while (!until.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            parec_.waitForReadyRead(10);
            pcm_ += parec_.readAllStandardOutput();
        }
    }
    // Everything recorded since start(), -1…1.
    std::vector<float> samples() const { return between(from_ / 2, pcm_.size() / 2); }
    // The last `count` samples before start().
    std::vector<float> before(qsizetype count) const {
        return between(std::max<qsizetype>(0, from_ / 2 - count), from_ / 2);
    }

private:
    std::vector<float> between(qsizetype first, qsizetype last) const {
        std::vector<float> out;
        const auto* s = reinterpret_cast<const qint16*>(pcm_.constData());
        for (qsizetype i = first; i < last; ++i)
            out.push_back(float(s[i]) / 32768.0f);
        return out;
    }

    QProcess parec_;
    QByteArray pcm_;
    qsizetype from_ = 0;
};

} // namespace brisklet::test
