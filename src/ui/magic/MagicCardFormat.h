#pragma once

#include "magic/MagicProposal.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// Everything a proposal card shows, worked out here so that the card only binds:
// the proposal as plain values, the button row for the card's state and its
// sentences.
class MagicCardFormat final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString accessibilityNote READ accessibilityNote CONSTANT)
public:
    explicit MagicCardFormat(QObject* parent = nullptr) : QObject(parent) {}

    // One button of the row, left to right.
    enum class Control { run, undo, save, keep, savedMark, edit };
    struct Button {
        Control control;
        bool enabled = true;
        bool operator==(const Button&) const = default;
    };
    static std::vector<Button> buttonRow(bool ran, bool saved, bool allowEdit, bool axGranted);
    static QString controlName(Control control);

    // The proposal as the card reads it: id, title, phrase, blurb, symbol, effects,
    // items (label, evidence, web, bundleID) and the shared miniature's items.
    static QVariantMap describe(const MagicProposal& proposal);

    // The row as QML reads it: [{control: "run", enabled: true}, …].
    Q_INVOKABLE static QVariantList buttons(bool ran, bool saved, bool allowEdit, bool axGranted);
    // What the title chip invites: the proposal's phrase, or once saved the name it
    // was stored under (a copy name when its words ran another setup).
    Q_INVOKABLE static QString phraseToSay(const QString& phrase, bool saved, const QString& savedName);
    // "Saved — say …" with the stored name as it is said.
    Q_INVOKABLE static QString savedLine(const QString& name);
    Q_INVOKABLE static QString unresolvedLine(const QString& name);
    static QString accessibilityNote();
};

} // namespace brisklet
