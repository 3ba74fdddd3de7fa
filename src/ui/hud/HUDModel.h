#pragma once

#include "flow/HUDState.h"

#include <QList>
#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <functional>

namespace brisklet {

// What the heads-up display's view renders: the state, the level meter's bars
// (newest first) and the question's two answers. Main thread.
// Not final: Qt 6.4 registers a QML type by deriving from it.
class HUDModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The heads-up display's controller owns its model.")
    // The state's kind as kindName() spells it; the view swaps its content when it changes.
    Q_PROPERTY(QString stateKey READ stateKey NOTIFY stateChanged)
    Q_PROPERTY(QString text READ text NOTIFY stateChanged)
    Q_PROPERTY(QList<qreal> bars READ bars NOTIFY barsChanged)
    // The newest bar on 0…1, for the brand mark's glow while listening.
    Q_PROPERTY(qreal liveLevel READ liveLevel NOTIFY barsChanged)
    Q_PROPERTY(bool asking READ isAsking NOTIFY askingChanged)
public:
    static constexpr int barCount = 20;
    static constexpr qreal barFloor = 0.08;

    explicit HUDModel(QObject* parent = nullptr);

    const HUDState& state() const { return state_; }
    void setState(const HUDState& state);
    QString stateKey() const { return QLatin1String(kindName(state_.kind)); }
    QString text() const { return state_.text; }
    const QList<qreal>& bars() const { return bars_; }
    void setBars(const QList<qreal>& bars);
    static qreal liveLevelOf(const QList<qreal>& bars);
    qreal liveLevel() const { return liveLevelOf(bars_); }

    void setConfirm(std::function<void()> onRun, std::function<void()> onCancel);
    void clearConfirm();
    bool isAsking() const { return bool(onConfirmRun_) || bool(onConfirmCancel_); }

    // The question's buttons; nothing happens when no question is pending.
    Q_INVOKABLE void confirmRun();
    Q_INVOKABLE void confirmCancel();

signals:
    void stateChanged();
    void barsChanged();
    void askingChanged();

private:
    HUDState state_;
    QList<qreal> bars_;
    std::function<void()> onConfirmRun_;
    std::function<void()> onConfirmCancel_;
};

} // namespace brisklet
