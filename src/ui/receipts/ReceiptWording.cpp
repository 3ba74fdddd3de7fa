#include "ui/receipts/ReceiptWording.h"

#include "setups/Setup.h"

namespace brisklet::ReceiptWording {

namespace {

const QString separator = QStringLiteral(" \u00B7 ");

// "3 windows", "1 window".
QString counted(int count, const QString& noun) {
    return QString::number(count) + QLatin1Char(' ') + noun + (count == 1 ? QString() : QStringLiteral("s"));
}

QString named(const Setup& setup, const QString& rest) {
    return QStringLiteral("\u201C") + setup.name + QStringLiteral("\u201D") + rest;
}

std::optional<QString> firstNote(const QStringList& notes) {
    if (notes.isEmpty())
        return std::nullopt;
    return notes.first();
}

} // namespace

QString shortList(const QStringList& items) {
    if (items.size() <= 1)
        return items.value(0);
    if (items.size() == 2)
        return items[0] + QStringLiteral(" and ") + items[1];
    return items[0] + QStringLiteral(", ") + items[1] + QStringLiteral(" and ") +
           QString::number(items.size() - 2) + QStringLiteral(" more");
}

ReceiptCard forRun(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                   std::optional<int> closeOthersCount) {
    QStringList parts;
    if (report.placed >= 1)
        parts << counted(report.placed, QStringLiteral("window")) + QStringLiteral(" in place");
    else if (report.opened >= 1)
        parts << QStringLiteral("everything opened");
    if (report.clearedOthers >= 1)
        parts << QStringLiteral("closed ") + counted(report.clearedOthers, QStringLiteral("other app"));
    const QString effects = setup.effectsSummary();
    if (!effects.isEmpty())
        parts << effects;

    ReceiptCard card;
    card.body = parts.join(separator);
    const bool cameUp = report.placed > 0 || report.opened > 0;
    if (cameUp && !report.failedItems.isEmpty())
        card.title = named(setup, QStringLiteral(" is up \u2014 without ") + shortList(report.failedItems) +
                                      QLatin1Char('.'));
    else if (cameUp)
        card.title = named(setup, QStringLiteral(" is ready."));
    else
        card.title = named(setup, QStringLiteral(" couldn't be set up."));
    card.ok = cameUp && report.failedItems.isEmpty();
    card.note = firstNote(report.notes);
    if (canUndo)
        card.undoLabel = QStringLiteral("Put it back");
    if (closeOthersCount)
        card.sweepLabel = QStringLiteral("Close the rest (%1)").arg(*closeOthersCount);
    card.width = card.sweepLabel ? 380 : 340;
    return card;
}

ReceiptCard forEnd(const SetupPort::EndReport& report, const Setup& setup) {
    QStringList parts;
    if (report.closedApps >= 1)
        parts << counted(report.closedApps, QStringLiteral("app")) + QStringLiteral(" quitting");
    // Only windows that were there to close: the user may have closed them first.
    if (!setup.urlItems().empty() && report.closedWindows >= 1)
        parts << QStringLiteral("its browser windows closed");

    ReceiptCard card;
    // Pages left open were open: the note says which.
    card.body = parts.isEmpty() && report.leftOpenPages == 0 ? QStringLiteral("Nothing was open.")
                                                             : parts.join(separator);
    card.title = named(setup, QStringLiteral(" closed."));
    card.ok = true;
    card.note = firstNote(report.notes);
    card.undoLabel = QStringLiteral("Bring it back");
    card.width = 340;
    return card;
}

} // namespace brisklet::ReceiptWording
