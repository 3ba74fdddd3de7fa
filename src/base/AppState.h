#pragma once

#include <QObject>
#include <algorithm>
#include <limits>

namespace brisklet {

// App-wide facts that the views show. The counters live in the settings (they are
// the truth); the properties are copies refreshed from there. Main thread only.
class AppState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isListening READ isListening WRITE setListening NOTIFY isListeningChanged)
    Q_PROPERTY(int commandsRun READ commandsRun NOTIFY commandsRunChanged)
    Q_PROPERTY(int setupsRun READ setupsRun NOTIFY setupsRunChanged)
    Q_PROPERTY(int secondsSaved READ secondsSaved NOTIFY secondsSavedChanged)
public:
    explicit AppState(QObject* parent = nullptr);

    bool isListening() const { return isListening_; }
    void setListening(bool listening);
    int commandsRun() const { return commandsRun_; }
    int setupsRun() const { return setupsRun_; }
    int secondsSaved() const { return secondsSaved_; }

    // Count one more command in the stored counter (continuing from what is stored,
    // even if another process changed it), then refresh.
    void recordCommand();
    // Re-read the counters and the seconds-saved figure.
    void refresh();
    // Show these figures without storing them (a staged picture of the app).
    void setCounters(int commandsRun, int setupsRun, int secondsSaved);

    // 14 s per command, 76 s per setup run, from the stored counters. Counted in 64
    // bits: a settings file may hold any count. What is shown stays within 0…INT_MAX.
    static int storedSecondsSaved();
    static int secondsSaved(qint64 commands, qint64 setups) {
        const qint64 seconds = std::max<qint64>(commands, 0) * 14 + std::max<qint64>(setups, 0) * 76;
        return int(std::min<qint64>(seconds, std::numeric_limits<int>::max()));
    }

signals:
    void isListeningChanged();
    void commandsRunChanged();
    void setupsRunChanged();
    void secondsSavedChanged();

private:
    bool isListening_ = false;
    int commandsRun_ = 0;
    int setupsRun_ = 0;
    int secondsSaved_ = 0;
};

} // namespace brisklet
