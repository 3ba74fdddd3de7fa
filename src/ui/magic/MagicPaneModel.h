#pragma once

#include "ask/AskPort.h"
#include "magic/MagicDraft.h"
#include "magic/MagicProfile.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <map>

namespace brisklet {

class MagicPaneHost;

// What the Magic pane shows and does: the scan card, the proposals with what the
// user did to each, and the builder. Made by the pane, so it lives for one visit.
// Not final: QML makes its own subclass of every type it creates.
class MagicPaneModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* host READ host WRITE setHost NOTIFY changed)
    Q_PROPERTY(QString scanState READ scanState NOTIFY changed)
    Q_PROPERTY(bool scanning READ scanning NOTIFY changed)
    Q_PROPERTY(QString rankedLine READ rankedLine NOTIFY changed)
    Q_PROPERTY(QVariantList usageRows READ usageRowList NOTIFY changed)
    Q_PROPERTY(QString insight READ insight NOTIFY changed)
    Q_PROPERTY(QVariantList proposals READ proposalCards NOTIFY changed)
    Q_PROPERTY(bool builderAvailable READ builderAvailable NOTIFY changed)
    Q_PROPERTY(QString builderNote READ builderNoteNow NOTIFY changed)
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY changed)
    Q_PROPERTY(bool thinking READ thinking NOTIFY changed)
    Q_PROPERTY(bool canBuild READ canBuild NOTIFY changed)
    Q_PROPERTY(QVariant builtCard READ builtCard NOTIFY changed)
    Q_PROPERTY(QString builderFailure READ builderFailure NOTIFY changed)
public:
    explicit MagicPaneModel(QObject* parent = nullptr);
    ~MagicPaneModel() override;

    QObject* host() const;
    void setHost(QObject* host);

    // "ranking" (apps to show), "scanning" or "empty".
    QString scanState() const;
    bool scanning() const;
    QString rankedLine() const;
    QVariantList usageRowList() const;
    QString insight() const;
    QVariantList proposalCards() const;
    bool builderAvailable() const;
    QString builderNoteNow() const;
    QString description() const { return description_; }
    void setDescription(const QString& text);
    bool thinking() const { return state_ == BuilderState::thinking; }
    bool canBuild() const;
    QVariant builtCard() const;
    QString builderFailure() const { return state_ == BuilderState::failed ? failure_ : QString(); }

    // Scans when nothing has been scanned yet.
    Q_INVOKABLE void appeared();
    Q_INVOKABLE void rescan();
    // The card choices, by the proposal's id.
    Q_INVOKABLE void run(const QString& id);
    Q_INVOKABLE void undo(const QString& id);
    Q_INVOKABLE void save(const QString& id);
    Q_INVOKABLE void edit(const QString& id);
    // Builds from the description.
    Q_INVOKABLE void submit();

    // The pieces of the scan card, from a profile alone.
    struct UsageRow {
        int rank = 0;
        QString bundleID;
        QString name;
        QString evidence;
        double barWidth = 0; // of 90
        bool operator==(const UsageRow&) const = default;
    };
    static std::vector<UsageRow> usageRows(const MagicProfile& profile);
    static double usageBarWidth(double ratio);
    static QString insightLine(const MagicProfile& profile);
    static QString failureMessage(AskError error);
    static QString builderNote(bool askEnabled);

signals:
    void changed();

private:
    enum class BuilderState { idle, thinking, built, failed };

    const MagicProposal* proposal(const QUuid& id) const;
    QVariantMap card(const MagicProposal& proposal, const QStringList& unresolved) const;
    bool isSaved(const QUuid& id) const;
    void outcomeArrived();

    QPointer<MagicPaneHost> host_;
    QSet<QUuid> savedIDs_;
    QSet<QUuid> ranIDs_;
    std::map<QUuid, QString> failedRuns_;
    BuilderState state_ = BuilderState::idle;
    std::optional<MagicBuilt> built_;
    QString failure_;
    QString description_;
};

} // namespace brisklet
