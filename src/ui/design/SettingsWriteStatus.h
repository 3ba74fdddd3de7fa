#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// Whether the settings file holds the settings as set, for the views that change
// them to say so when it doesn't.
// Not final: QML makes its own subclass of every type it creates.
class SettingsWriteStatus : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool written READ written NOTIFY changed)
public:
    explicit SettingsWriteStatus(QObject* parent = nullptr);
    bool written() const;

signals:
    void changed();
};

} // namespace brisklet
