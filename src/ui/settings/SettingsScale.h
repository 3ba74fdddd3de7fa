#pragma once

#include <QObject>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

// The numbers behind the wake and sound controls: the clap sensitivity as stored
// and as the slider shows it, the level bar's fill, and the sound volume.
namespace brisklet::SettingsScale {

inline constexpr double shownMinimum = 4;
inline constexpr double shownMaximum = 10;

// The slider's starting value for a stored sensitivity: 14 − min(stored, 10) from
// 4 up; 10 below 4 or for anything that is not a number.
double shownSensitivity(const QVariant& stored);
// What the settings keep for a shown value: 14 − shown.
double storedSensitivity(double shown);
// The level bar's fill in a bar `width` wide: width × min(1, (9 × level)^0.7),
// never narrower than 4.
float levelFill(float level, float width);
// A stored volume clamped to 0…1; anything that is not a number gives 0.
double volume(const QVariant& stored);

} // namespace brisklet::SettingsScale

namespace brisklet {

// The same numbers for the views (QML: SettingsScale).
class SettingsScaleFunctions final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(SettingsScale)
    QML_SINGLETON
public:
    using QObject::QObject;
    Q_INVOKABLE static qreal levelFill(qreal level, qreal width) {
        return SettingsScale::levelFill(static_cast<float>(level), static_cast<float>(width));
    }
};

} // namespace brisklet
