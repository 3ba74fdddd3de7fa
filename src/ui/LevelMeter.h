#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// The level meters' arithmetic for the views.
class LevelMeter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;
    // The fill of a bar `width` wide for `level` (0 upwards).
    Q_INVOKABLE double fillWidth(double width, float level) const;
};

} // namespace brisklet
