#pragma once

#include "base/Clock.h"
#include "setups/SetupEngine.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

// The "Review your setup" window's content: what a capture found, which of it is
// kept, the name it is saved under and whether running it closes the rest. It
// stores nothing; Save and Cancel go out as signals.
class CapturePreviewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The capture review owns its model.")
    Q_PROPERTY(QString summary READ summary CONSTANT)
    Q_PROPERTY(QVariantList rows READ rows NOTIFY changed)
    Q_PROPERTY(QStringList notes READ notes CONSTANT)
    Q_PROPERTY(bool showThumbnail READ showThumbnail NOTIFY changed)
    Q_PROPERTY(QVariantList thumbnail READ thumbnail NOTIFY changed)
    Q_PROPERTY(QVariantList screens READ screens NOTIFY changed)
    Q_PROPERTY(bool showOverlap READ showOverlap NOTIFY changed)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY changed)
    Q_PROPERTY(QString replacingLine READ replacingLine NOTIFY changed)
    Q_PROPERTY(QString chip READ chip NOTIFY changed)
    Q_PROPERTY(QString problem READ problem NOTIFY changed)
    Q_PROPERTY(QString unsaved READ unsaved NOTIFY changed)
    Q_PROPERTY(bool closeOthers READ closeOthers WRITE setCloseOthers NOTIFY changed)
    Q_PROPERTY(QString keptText READ keptText NOTIFY changed)
    Q_PROPERTY(QString primaryText READ primaryText NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
public:
    // The stored setup's name that a text finds, or nothing.
    using ExistingName = std::function<std::optional<QString>(const QString&)>;
    // Why a trimmed name can't be saved, or nothing.
    using Refusal = std::function<std::optional<QString>(const QString&)>;

    CapturePreviewModel(SetupEngine::CaptureResult result, const QString& initialName,
                        ExistingName existingName, QObject* parent = nullptr, Clock& clock = Clock::system());
    // Asked again whenever the name changes, and before a save.
    void setRefusal(Refusal refusal);
    // The stored setups changed (a save elsewhere, another program's write): the
    // line, the chip and the button are read again.
    void storeChanged();

    // The name with blanks and tabs trimmed at both ends; line breaks stay.
    static QString trimmedName(const QString& name);

    const SetupEngine::CaptureResult& result() const { return result_; }
    std::vector<SetupItem> chosenItems() const;
    std::vector<std::pair<QUuid, QUuid>> visibleOverlaps() const;
    // The stored name this capture would update, or nothing.
    std::optional<QString> replacing() const { return replacing_; }

    QString summary() const;
    QVariantList rows() const;
    QStringList notes() const { return result_.notes; }
    bool showThumbnail() const;
    // The kept items in miniature, over the displays connected now.
    QVariantList thumbnail() const;
    QVariantList screens() const { return screens_; }
    void setScreens(const QVariantList& sizes);
    bool showOverlap() const { return !visibleOverlaps().empty(); }
    QString name() const { return name_; }
    void setName(const QString& name);
    QString replacingLine() const;
    QString chip() const;
    // The refusal of the name as it stands; empty when it may be saved.
    QString problem() const { return problem_; }
    // Why the last press stored nothing though it was handed on (the file didn't
    // take it); empty until then, and again once the name is edited.
    QString unsaved() const { return unsaved_; }
    void setUnsaved(const QString& text);
    bool closeOthers() const { return closeOthers_; }
    void setCloseOthers(bool on);
    QString keptText() const;
    QString primaryText() const;
    bool canSave() const;

    Q_INVOKABLE void setIncluded(const QString& id, bool on);
    // Hands the capture on through `saveRequested` when the name may be saved and
    // would update what the line says; a press that would now update another setup,
    // or none, shows that first and hands nothing on. So does a press within
    // `settleSeconds` of the store changing the line, the refusal or the button: it
    // was meant for what they said before.
    Q_INVOKABLE void save();
    static constexpr double settleSeconds = 0.5;
    Q_INVOKABLE void cancel();

signals:
    void changed();
    void saveRequested(const QString& name, const std::vector<brisklet::SetupItem>& items,
                       const QString& fingerprint, bool closeOthers);
    void cancelRequested();

private:
    void checkName();

    SetupEngine::CaptureResult result_;
    Clock& clock_;
    ExistingName existingName_;
    Refusal refusal_;
    QSet<QUuid> included_;
    QString name_;
    bool closeOthers_ = false;
    std::optional<QString> replacing_;
    // When the store last changed the line and the button; never since it opened.
    std::optional<double> changedAt_;
    QString problem_;
    QString unsaved_;
    QVariantList screens_;
};

} // namespace brisklet
