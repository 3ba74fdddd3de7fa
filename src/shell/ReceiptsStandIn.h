#pragma once

#include <QObject>

namespace brisklet {

// Receipt cards after setup runs: nothing reaches them until setups exist, so the
// stand-in only carries the answers a card can give.
class ReceiptsStandIn final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void undoRequested();
    void acknowledged();
    void expired();
};

} // namespace brisklet
