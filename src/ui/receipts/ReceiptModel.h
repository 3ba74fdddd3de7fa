#pragma once

#include "ui/receipts/ReceiptWording.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// One receipt card as its view shows it; the buttons report through the signals.
// A card's words never change: each card gets a model of its own. Main thread.
// Not final: Qt 6.4 registers a QML type by deriving from it.
class ReceiptModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The receipt controller makes each card's model.")
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString body READ body CONSTANT)
    Q_PROPERTY(bool hasNote READ hasNote CONSTANT)
    Q_PROPERTY(QString note READ note CONSTANT)
    Q_PROPERTY(bool ok READ ok CONSTANT)
    // Empty: no such button.
    Q_PROPERTY(QString undoLabel READ undoLabel CONSTANT)
    Q_PROPERTY(QString sweepLabel READ sweepLabel CONSTANT)
    Q_PROPERTY(int cardWidth READ cardWidth CONSTANT)
    Q_PROPERTY(int panelHeight READ panelHeight CONSTANT)
public:
    static constexpr int defaultPanelHeight = 150;

    explicit ReceiptModel(ReceiptCard card, QObject* parent = nullptr)
        : QObject(parent), card_(std::move(card)) {}

    const ReceiptCard& card() const { return card_; }
    QString title() const { return card_.title; }
    QString body() const { return card_.body; }
    bool hasNote() const { return card_.note.has_value(); }
    QString note() const { return card_.note.value_or(QString()); }
    bool ok() const { return card_.ok; }
    QString undoLabel() const { return card_.undoLabel.value_or(QString()); }
    QString sweepLabel() const { return card_.sweepLabel.value_or(QString()); }
    int cardWidth() const { return card_.width; }
    int panelHeight() const { return defaultPanelHeight; }

    Q_INVOKABLE void undo() { emit undoPressed(); }
    Q_INVOKABLE void sweep() { emit sweepPressed(); }
    Q_INVOKABLE void acknowledge() { emit okPressed(); }

signals:
    void undoPressed();
    void sweepPressed();
    void okPressed();

private:
    ReceiptCard card_;
};

} // namespace brisklet
