#pragma once

#include "base/RepeatingTimer.h"
#include "ui/onboarding/OnboardingRules.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace brisklet {

// The wake key demonstration of one card: a keycap that presses and releases on a
// 3.2 s loop while the imagined user speaks, or, without the loop, only the real
// listening state. Created and owned by its view; its pending phases die with it.
// Main thread.
class KeycapDemoModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString kind READ kind WRITE setKind NOTIFY changed)
    Q_PROPERTY(QString label READ label WRITE setLabel NOTIFY changed)
    Q_PROPERTY(bool looping READ looping WRITE setLooping NOTIFY changed)
    Q_PROPERTY(bool listening READ listening WRITE setListening NOTIFY changed)
    Q_PROPERTY(bool pressed READ pressed NOTIFY changed)
    Q_PROPERTY(bool speaking READ speaking NOTIFY changed)
    Q_PROPERTY(bool active READ active NOTIFY changed)
    Q_PROPERTY(QString caption READ caption NOTIFY changed)
    Q_PROPERTY(QString glyph READ glyph NOTIFY changed)
    // Only a one-character sign gets the key's name under it.
    Q_PROPERTY(bool glyphIsSign READ glyphIsSign NOTIFY changed)
public:
    static constexpr double cycleSeconds = 3.2;

    explicit KeycapDemoModel(QObject* parent = nullptr);
    explicit KeycapDemoModel(Scheduler& scheduler, QObject* parent = nullptr);
    ~KeycapDemoModel() override;

    QString kind() const { return OnboardingRules::styleText(kind_); }
    void setKind(const QString& kind);
    QString label() const { return label_; }
    void setLabel(const QString& label);
    bool looping() const { return looping_; }
    void setLooping(bool on);
    bool listening() const { return listening_; }
    void setListening(bool on);
    bool pressed() const { return pressed_; }
    bool speaking() const { return speaking_; }
    bool active() const { return speaking_ || listening_; }
    QString caption() const { return OnboardingRules::keycapCaption(kind_, speaking_, listening_); }
    QString glyph() const { return OnboardingRules::keyGlyph(label_); }
    bool glyphIsSign() const { return glyph().size() == 1; }
    bool isLoopRunning() const { return loop_.isRunning(); }

    // The view appeared (`reduceMotion`: stand still) or went away.
    Q_INVOKABLE void appear(bool reduceMotion);
    Q_INVOKABLE void disappear();
    // A looping demo stops and stands as it is `seconds` into a pass, so a picture
    // of it is the same whenever it is taken.
    void holdAt(double seconds);

signals:
    void changed();

private:
    struct Phase {
        double at; // seconds into the pass
        bool pressed;
        bool speaking;
    };
    static const std::vector<Phase>& pass(OnboardingRules::Style kind);
    void apply(const Phase& phase);
    void cycle();
    void cancelPhases();
    void setPressed(bool on);
    void setSpeaking(bool on);

    Scheduler& scheduler_;
    OnboardingRules::Style kind_ = OnboardingRules::Style::hold;
    QString label_;
    bool looping_ = false;
    bool listening_ = false;
    bool pressed_ = false;
    bool speaking_ = false;
    RepeatingTimer loop_;
    std::vector<Scheduler::Token> phases_;
};

} // namespace brisklet
