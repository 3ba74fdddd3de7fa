#pragma once

#include <QObject>
#include <QString>

namespace brisklet {

// The drift nudge: nothing reaches it until setups exist.
class NudgeStandIn final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void updateRequested(const QString& setupID);
};

} // namespace brisklet
