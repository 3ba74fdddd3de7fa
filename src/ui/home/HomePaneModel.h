#pragma once

#include "setups/Setup.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace brisklet {

class AppState;
class SetupStore;

// What the Home pane shows: the status line and wake hints (read from the settings
// each time they are asked for), the counters, the recent setups and the phrases to
// try. `changed` fires whenever the app state or the setups publish.
// Not final: QML makes its own subclass of every type it creates.
class HomePaneModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* appState READ appState WRITE setAppState NOTIFY changed)
    Q_PROPERTY(QObject* setups READ setups WRITE setSetups NOTIFY changed)
    Q_PROPERTY(bool listening READ listening NOTIFY changed)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY changed)
    Q_PROPERTY(QString commandsRun READ commandsRun NOTIFY changed)
    Q_PROPERTY(QString setupsRun READ setupsRun NOTIFY changed)
    Q_PROPERTY(QVariant setupsRunDetail READ setupsRunDetail NOTIFY changed)
    Q_PROPERTY(QString timeSaved READ timeSaved NOTIFY changed)
    Q_PROPERTY(bool hasSetups READ hasSetups NOTIFY changed)
    Q_PROPERTY(QVariantList recentSetups READ recentSetupRows NOTIFY changed)
    Q_PROPERTY(QStringList trySaying READ trySayingNow NOTIFY changed)
    Q_PROPERTY(QString wakeHint READ wakeHintNow NOTIFY changed)
public:
    explicit HomePaneModel(QObject* parent = nullptr);

    QObject* appState() const;
    void setAppState(QObject* state);
    QObject* setups() const;
    void setSetups(QObject* store);

    bool listening() const;
    QString statusLine() const;
    QString commandsRun() const;
    QString setupsRun() const;
    QVariant setupsRunDetail() const;
    QString timeSaved() const;
    bool hasSetups() const;
    QVariantList recentSetupRows() const;
    QStringList trySayingNow() const;
    QString wakeHintNow() const;

    // "hold Right Super": the activation word and the wake key's name.
    static QString methodHint(const QString& style, int keyCode);
    // The sentence under the phrases to try.
    static QString wakeHint(const QString& style, int keyCode);
    // 59 → "59s", 60 → "1m", 3661 → "1h 1m".
    static QString timeSavedText(qint64 seconds);
    // Newest first by last run (or creation, never run); ties keep store order; three.
    static std::vector<Setup> recentSetups(const std::vector<Setup>& setups);
    static QStringList trySaying(const std::vector<Setup>& recent);

signals:
    void changed();

private:
    static QString storedStyle();
    static int storedKeyCode();

    QPointer<AppState> appState_;
    QPointer<SetupStore> setups_;
};

} // namespace brisklet
