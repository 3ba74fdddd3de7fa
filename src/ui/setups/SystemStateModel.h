#pragma once

#include "setups/Setup.h"
#include "ui/setups/SystemStateEdits.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace brisklet {

// The system-state section of the setup editor: what else a run changes. It edits
// its own copy of the state, which the editor reads when it saves.
class SystemStateModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The setup editor owns its system state.")
    Q_PROPERTY(bool volumeOn READ volumeOn NOTIFY changed)
    Q_PROPERTY(int volume READ volume NOTIFY changed)
    Q_PROPERTY(bool brightnessOn READ brightnessOn NOTIFY changed)
    Q_PROPERTY(int brightness READ brightness NOTIFY changed)
    Q_PROPERTY(QString appearance READ appearance NOTIFY changed)
    Q_PROPERTY(QString appearanceLine READ appearanceLine NOTIFY changed)
    Q_PROPERTY(QString music READ music NOTIFY changed)
    Q_PROPERTY(bool showMusic READ showMusic NOTIFY changed)
    Q_PROPERTY(bool showPlayerPicker READ showPlayerPicker NOTIFY changed)
    Q_PROPERTY(QString player READ player NOTIFY changed)
    Q_PROPERTY(QString soundCue READ soundCue NOTIFY changed)
    Q_PROPERTY(QString shortcut READ shortcut NOTIFY changed)
    Q_PROPERTY(QVariantList players READ playerOptions NOTIFY changed)
    Q_PROPERTY(QVariantList appearanceOptions READ appearanceOptions CONSTANT)
    Q_PROPERTY(QVariantList musicOptions READ musicOptions CONSTANT)
    Q_PROPERTY(QVariantList soundOptions READ soundOptions CONSTANT)
public:
    explicit SystemStateModel(QObject* parent = nullptr);

    // A new state to edit, with the players installed now.
    void reset(const SetupSystemState& state, std::vector<SystemStateEdits::Option> players);
    const SetupSystemState& state() const { return state_; }

    bool volumeOn() const { return state_.volume.has_value(); }
    int volume() const { return state_.volume.value_or(0); }
    bool brightnessOn() const { return state_.brightness.has_value(); }
    int brightness() const { return state_.brightness.value_or(5); }
    QString appearance() const;
    QString appearanceLine() const;
    QString music() const;
    bool showMusic() const { return !players_.empty(); }
    bool showPlayerPicker() const;
    QString player() const;
    QString soundCue() const;
    QString shortcut() const { return state_.shortcut.value_or(QString()); }
    QVariantList playerOptions() const;
    static QVariantList appearanceOptions();
    static QVariantList musicOptions();
    static QVariantList soundOptions();

    Q_INVOKABLE void setVolumeOn(bool on);
    Q_INVOKABLE void setVolume(double position);
    Q_INVOKABLE void setBrightnessOn(bool on);
    Q_INVOKABLE void setBrightness(double position);
    Q_INVOKABLE void chooseAppearance(const QString& value);
    Q_INVOKABLE void chooseMusic(const QString& value);
    Q_INVOKABLE void choosePlayer(const QString& id);
    Q_INVOKABLE void chooseSound(const QString& id);
    Q_INVOKABLE void setShortcut(const QString& text);

signals:
    void changed();

private:
    template <typename Edit> void edit(Edit&& change);

    SetupSystemState state_;
    std::vector<SystemStateEdits::Option> players_;
};

} // namespace brisklet
