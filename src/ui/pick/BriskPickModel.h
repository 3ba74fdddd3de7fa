#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// One setup as the pick panel lists it.
struct PickEntry {
    QString name;
    QString icon;        // the setup's symbol name
    bool active = false; // the setup now applied
    QUuid id;            // what its run names
    bool operator==(const PickEntry&) const = default;
};

// What one appearance of the pick panel lists; the rows, the open-home row and
// the pointer report through the signals. Main thread.
// Not final: Qt 6.4 registers a QML type by deriving from it.
class BriskPickModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The pick panel's controller makes its model.")
    // {name, icon, active} per setup, in display order.
    Q_PROPERTY(QVariantList rows READ rows CONSTANT)
public:
    explicit BriskPickModel(QList<PickEntry> entries, QObject* parent = nullptr);

    const QList<PickEntry>& entries() const { return entries_; }
    QVariantList rows() const;

    // The setup of that row (in display order); nothing for a row it doesn't list.
    Q_INVOKABLE void run(int row);
    Q_INVOKABLE void openHome() { emit openHomePressed(); }
    Q_INVOKABLE void setHovered(bool hovered) { emit hoverChanged(hovered); }

signals:
    void runPressed(const QUuid& id, const QString& name);
    void openHomePressed();
    void hoverChanged(bool hovered);

private:
    QList<PickEntry> entries_;
};

} // namespace brisklet
