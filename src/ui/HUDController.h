#pragma once

#include "flow/HUDPort.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <functional>

namespace brisklet {

// Drives the heads-up display: the request flow tells it what to show, the view
// binds to its properties and answers its questions. Every change is also written
// to the log, so each request's road can be followed. Main thread.
// Not final: Qt 6.4 registers a QML element by deriving from it, even one that QML
// may not create.
class HUDController : public QObject, public HUDPort {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app owns the heads-up display's controller.")
    // The state's kind as kindName() spells it: "listening", "heard", "confirm", …
    Q_PROPERTY(QString kind READ kind NOTIFY kindChanged)
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)
    // A question from showConfirm() waits for answerConfirm().
    Q_PROPERTY(bool awaitingAnswer READ isAwaitingAnswer NOTIFY awaitingAnswerChanged)
public:
    explicit HUDController(QObject* parent = nullptr);

    void show(const HUDState& state) override;
    // Replaces the partial transcript while listening; never overwrites a later state.
    void updateListening(const QString& partial) override;
    // Asks a yes/no question; exactly one of the two runs, unless a newer state
    // replaces the question first.
    void showConfirm(const QString& question, std::function<void()> onRun,
                     std::function<void()> onCancel) override;
    void hide() override;

    // The user's answer to a pending question.
    Q_INVOKABLE void answerConfirm(bool run);

    const HUDState& state() const { return state_; }
    QString kind() const;
    QString text() const { return state_.text; }
    bool isVisible() const { return visible_; }
    bool isAwaitingAnswer() const { return awaitingAnswer_; }

    std::function<float()> levelProvider;

signals:
    void kindChanged();
    void textChanged();
    void visibleChanged();
    void awaitingAnswerChanged();

private:
    void setAwaitingAnswer(bool awaiting);

    HUDState state_;
    bool visible_ = false;
    bool awaitingAnswer_ = false;
    std::function<void()> onRun_;
    std::function<void()> onCancel_;
};

} // namespace brisklet
