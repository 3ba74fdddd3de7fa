#pragma once

#include "magic/MagicProposal.h"
#include "ui/onboarding/OnboardingRules.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <vector>

namespace brisklet {

// What the first-run window shows and the user chose in it. Every change is
// announced; the views read it and write only `step`, `launchAtLogin` and
// `clapEnabled` (the latter through the controller, which also stores it). Main
// thread.
class OnboardingModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The onboarding controller owns its model.")
    Q_PROPERTY(int step READ step WRITE setStep NOTIFY changed)
    Q_PROPERTY(bool micOK READ micOK NOTIFY changed)
    Q_PROPERTY(bool speechOK READ speechOK NOTIFY changed)
    Q_PROPERTY(bool axOK READ axOK NOTIFY changed)
    Q_PROPERTY(bool onDeviceSpeech READ onDeviceSpeech NOTIFY changed)
    Q_PROPERTY(float level READ level NOTIFY levelChanged)
    Q_PROPERTY(bool peakFlash READ peakFlash NOTIFY changed)
    Q_PROPERTY(bool wakeFlash READ wakeFlash NOTIFY changed)
    Q_PROPERTY(bool clapFlash READ clapFlash NOTIFY changed)
    Q_PROPERTY(bool commandSucceeded READ commandSucceeded NOTIFY changed)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY changed)
    // Why the login choice didn't take at the last Finish; cleared by a new choice.
    Q_PROPERTY(QString loginFailure READ loginFailure NOTIFY changed)
    Q_PROPERTY(QString style READ styleText NOTIFY changed)
    Q_PROPERTY(bool clapEnabled READ clapEnabled NOTIFY changed)
    Q_PROPERTY(bool magicScanned READ magicScanned NOTIFY changed)
    // The Magic step shows the first proposal only.
    Q_PROPERTY(int magicProposalCount READ magicProposalCount NOTIFY changed)
    Q_PROPERTY(QVariantMap magicFirst READ magicFirst NOTIFY changed)
    Q_PROPERTY(bool magicFirstSaved READ magicFirstSaved NOTIFY changed)
    Q_PROPERTY(QString magicFirstSavedName READ magicFirstSavedName NOTIFY changed)
    Q_PROPERTY(bool magicFirstRan READ magicFirstRan NOTIFY changed)
    Q_PROPERTY(QString magicFirstFailure READ magicFirstFailure NOTIFY changed)
    Q_PROPERTY(QString magicMoreWaiting READ magicMoreWaiting NOTIFY changed)
    // Derived texts of the frame and the steps.
    Q_PROPERTY(QString headerLine READ headerLine NOTIFY changed)
    Q_PROPERTY(QString footerLabel READ footerLabel NOTIFY changed)
    Q_PROPERTY(bool forwardEnabled READ forwardEnabled NOTIFY changed)
    Q_PROPERTY(QString wakeKeyLabel READ wakeKeyLabel NOTIFY changed)
    Q_PROPERTY(QString firstCommandTitle READ firstCommandTitle NOTIFY changed)
    Q_PROPERTY(QString firstCommandInstruction READ firstCommandInstruction NOTIFY changed)
public:
    static constexpr int lastStep = 4;

    // Reads the stored gesture and clap choice.
    explicit OnboardingModel(QObject* parent = nullptr);

    int step() const { return step_; }
    void setStep(int step);
    bool micOK() const { return grants_.microphone; }
    bool speechOK() const { return grants_.speech; }
    bool axOK() const { return grants_.accessibility; }
    bool onDeviceSpeech() const { return onDeviceSpeech_; }
    float level() const { return level_; }
    bool peakFlash() const { return peakFlash_; }
    bool wakeFlash() const { return wakeFlash_; }
    bool clapFlash() const { return clapFlash_; }
    bool commandSucceeded() const { return commandSucceeded_; }
    bool launchAtLogin() const { return launchAtLogin_; }
    void setLaunchAtLogin(bool on);
    const QString& loginFailure() const { return loginFailure_; }
    void setLoginFailure(const QString& text);
    OnboardingRules::Style style() const { return style_; }
    QString styleText() const { return OnboardingRules::styleText(style_); }
    bool clapEnabled() const { return clapEnabled_; }
    bool magicScanned() const { return magicScanned_; }
    const std::optional<QUuid>& magicRanID() const { return magicRanID_; }
    const QHash<QUuid, QString>& magicSaved() const { return magicSaved_; }

    // Written by the controller and the host.
    struct Grants {
        bool microphone = false;
        bool speech = false;
        bool accessibility = false;
        bool operator==(const Grants&) const = default;
    };
    const Grants& grants() const { return grants_; }
    void setGrants(const Grants& grants);
    void setOnDeviceSpeech(bool on);
    void setLevel(float level);
    void setPeakFlash(bool on);
    void setWakeFlash(bool on);
    void setClapFlash(bool on);
    void setCommandSucceeded(bool on);
    void setStyle(OnboardingRules::Style style);
    void setClapEnabled(bool on);
    void setMagicScanned(bool scanned);
    void setMagicRanID(const std::optional<QUuid>& id);
    // The name is the one the store kept, which a clash may have changed.
    void addMagicSaved(const QUuid& id, const QString& storedName);
    void clearMagicSaved();
    // The last tried-out draft: its id, whether it worked and what went wrong.
    void setMagicRunOutcome(const QUuid& draftID, bool success, const QString& message);
    void clearMagicRunOutcome();
    // The failure line for the proposal `id`: only a failed run of that very draft.
    QString magicRunFailure(const QUuid& id) const;
    // In the order the host gave them.
    const std::vector<MagicProposal>& magicProposals() const { return magicProposals_; }
    void setMagicProposals(std::vector<MagicProposal> proposals);
    const MagicProposal* firstProposal() const;
    int magicProposalCount() const { return int(magicProposals_.size()); }
    QVariantMap magicFirst() const;
    bool magicFirstSaved() const;
    QString magicFirstSavedName() const;
    bool magicFirstRan() const;
    QString magicFirstFailure() const;
    QString magicMoreWaiting() const { return OnboardingRules::moreWaiting(magicProposalCount()); }

    // A fresh run of the window: first step, defaults, stored choices re-read.
    void resetForNewWindow();

    QString headerLine() const { return OnboardingRules::headerLine(step_); }
    QString footerLabel() const { return OnboardingRules::footerLabel(footerState()); }
    bool forwardEnabled() const { return OnboardingRules::forwardEnabled(footerState()); }
    // Read afresh, so a key changed in Settings shows the next time it is drawn.
    QString wakeKeyLabel() const;
    QString firstCommandTitle() const;
    QString firstCommandInstruction() const;

    // The footer's buttons.
    Q_INVOKABLE void back();
    Q_INVOKABLE void forward();

signals:
    void changed();
    void levelChanged();

private:
    OnboardingRules::FooterState footerState() const;
    void loadStoredChoices();
    template <typename T> void update(T& field, const T& value);

    int step_ = 0;
    Grants grants_;
    bool onDeviceSpeech_ = true;
    float level_ = 0;
    bool peakFlash_ = false;
    bool wakeFlash_ = false;
    bool clapFlash_ = false;
    bool commandSucceeded_ = false;
    bool launchAtLogin_ = true;
    QString loginFailure_;
    OnboardingRules::Style style_ = OnboardingRules::Style::hold;
    bool clapEnabled_ = false;
    bool magicScanned_ = false;
    std::optional<QUuid> magicRanID_;
    QHash<QUuid, QString> magicSaved_;
    struct RunOutcome {
        QUuid draftID;
        bool success = false;
        QString message;
    };
    std::optional<RunOutcome> magicRunOutcome_;
    std::vector<MagicProposal> magicProposals_;
};

} // namespace brisklet
