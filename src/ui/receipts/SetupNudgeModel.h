#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// The drift nudge as its view shows it: the setup's name and the two buttons,
// which report through the signals. Main thread.
// Not final: Qt 6.4 registers a QML type by deriving from it.
class SetupNudgeModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The nudge controller makes each card's model.")
    Q_PROPERTY(QString setupName READ setupName CONSTANT)
    Q_PROPERTY(QString headline READ headline CONSTANT)
    Q_PROPERTY(QString question READ question CONSTANT)
    Q_PROPERTY(QString updateLabel READ updateLabel CONSTANT)

public:
    explicit SetupNudgeModel(QString setupName, QObject* parent = nullptr)
        : QObject(parent), setupName_(std::move(setupName)) {}

    QString setupName() const { return setupName_; }
    QString headline() const {
        return QStringLiteral("You've rearranged since “") + setupName_ + QStringLiteral("”.");
    }
    QString question() const { return QStringLiteral("Want the setup to match how things are now?"); }
    QString updateLabel() const { return QStringLiteral("Update “") + setupName_ + QStringLiteral("”"); }

    Q_INVOKABLE void update() { emit updatePressed(); }
    Q_INVOKABLE void notNow() { emit notNowPressed(); }

signals:
    void updatePressed();
    void notNowPressed();

private:
    QString setupName_;
};

} // namespace brisklet
