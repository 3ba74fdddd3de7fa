#pragma once

#include "actions/SetupPort.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet {

struct Setup;

// What one receipt card says and offers.
struct ReceiptCard {
    QString title;
    QString body; // empty: no body line
    std::optional<QString> note;
    bool ok = false; // a success: the check mark in the ember colour
    std::optional<QString> undoLabel;
    std::optional<QString> sweepLabel;
    int width = 340;
    bool operator==(const ReceiptCard&) const = default;
};

// The words of the card after a setup has been run or ended.
namespace ReceiptWording {

// `closeOthersCount`: the other apps a "Close the rest" button would close; none: no button.
ReceiptCard forRun(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                   std::optional<int> closeOthersCount);
ReceiptCard forEnd(const SetupPort::EndReport& report, const Setup& setup);
// "A", "A and B", "A, B and 2 more".
QString shortList(const QStringList& items);

} // namespace ReceiptWording

} // namespace brisklet
