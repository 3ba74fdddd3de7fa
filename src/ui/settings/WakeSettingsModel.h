#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <memory>

namespace brisklet {

class RepeatingTimer;
class SettingsServices;

// The Wake section: the wake key, the style it teaches and clap wake, read from
// the settings when the section is made. Each user change writes its key at once
// and then tells the host; the live meter polls the level while clap wake is on.
class WakeSettingsModel : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    Q_PROPERTY(QObject* services READ servicesObject WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(int keyCode READ keyCode NOTIFY keyCodeChanged)
    Q_PROPERTY(int keyIndex READ keyIndex NOTIFY keyCodeChanged)
    Q_PROPERTY(QString style READ style NOTIFY styleChanged)
    Q_PROPERTY(QString styleHint READ styleHint NOTIFY styleChanged)
    Q_PROPERTY(bool clapWake READ clapWake NOTIFY clapWakeChanged)
    Q_PROPERTY(float level READ level NOTIFY levelChanged)
    Q_PROPERTY(bool meterRunning READ meterRunning NOTIFY clapWakeChanged)
    Q_PROPERTY(QVariantList keyOptions READ keyOptions CONSTANT)
    Q_PROPERTY(QVariantList styleOptions READ styleOptions CONSTANT)
public:
    static constexpr double meterInterval = 0.05;

    explicit WakeSettingsModel(QObject* parent = nullptr);
    ~WakeSettingsModel() override;

    void classBegin() override {}
    void componentComplete() override { start(); }
    // Starts the meter when clap wake is on; the view calls it once it is built.
    void start();

    QObject* servicesObject() const;
    void setServices(QObject* services);

    int keyCode() const { return keyCode_; }
    // The key's row in keyOptions; −1 for a stored code that is none of them.
    int keyIndex() const;
    QString style() const { return style_; }
    QString styleHint() const;
    bool clapWake() const { return clapWake_; }
    float level() const { return level_; }
    bool meterRunning() const;
    // [{value: key code, label}] and [{value: "hold"/"tap", label}], in order.
    static QVariantList keyOptions();
    static QVariantList styleOptions();
    // Where the sensitivity slider starts, from the stored value.
    Q_INVOKABLE double sensitivityStart() const;

    // User changes.
    Q_INVOKABLE void chooseKey(int keyCode);
    Q_INVOKABLE void chooseStyle(const QString& style);
    Q_INVOKABLE void setClapWakeByUser(bool on);
    Q_INVOKABLE void moveSensitivity(double shown);

signals:
    void servicesChanged();
    void keyCodeChanged();
    void styleChanged();
    void clapWakeChanged();
    void levelChanged();

private:
    void updateMeter();
    void wakeConfigChanged() const;

    QPointer<SettingsServices> services_;
    std::unique_ptr<RepeatingTimer> meter_;
    int keyCode_ = 54;
    QString style_;
    bool clapWake_ = false;
    float level_ = 0;
    bool started_ = false;
};

} // namespace brisklet
