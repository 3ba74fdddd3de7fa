#pragma once

#include "commands/AppIndex.h"
#include "platform/Apps.h"
#include "setups/Setup.h"
#include "ui/setups/SetupDraftEdits.h"
#include "ui/setups/SystemStateModel.h"

#include <QObject>
#include <QRectF>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <vector>

namespace brisklet {

class FolderChooser;

// The setup editor: a working copy of one setup, changed by the view and handed
// on once through `saved`, or dropped by `cancel`. It stores nothing itself.
class SetupEditorModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The setup editor controller owns the model.")
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY openChanged)
    Q_PROPERTY(bool isNew READ isNew NOTIFY changed)
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(QString nameChip READ nameChip NOTIFY changed)
    Q_PROPERTY(QString phrasesText READ phrasesText NOTIFY changed)
    Q_PROPERTY(QString icon READ icon NOTIFY changed)
    Q_PROPERTY(QStringList icons READ icons CONSTANT)
    // Rows are rebuilt only when the list itself changes, so a field being typed in
    // keeps its focus.
    Q_PROPERTY(QVariantList items READ items NOTIFY itemsChanged)
    Q_PROPERTY(QStringList refusedIds READ refusedIds NOTIFY changed)
    Q_PROPERTY(bool hasFrames READ hasFrames NOTIFY changed)
    // The miniature: the placed items and the sizes of the displays connected now.
    Q_PROPERTY(QVariantList thumbnail READ thumbnail NOTIFY itemsChanged)
    Q_PROPERTY(QVariantList screens READ screens NOTIFY changed)
    Q_PROPERTY(QVariantList browsers READ browsers NOTIFY changed)
    Q_PROPERTY(QStringList appNames READ appNames NOTIFY changed)
    Q_PROPERTY(QStringList presets READ presets CONSTANT)
    Q_PROPERTY(QString newURL READ newURL WRITE setNewURL NOTIFY changed)
    Q_PROPERTY(QString newURLBrowser READ newURLBrowser WRITE setNewURLBrowser NOTIFY changed)
    Q_PROPERTY(bool canAddSite READ canAddSite NOTIFY changed)
    Q_PROPERTY(QObject* system READ system CONSTANT)
    Q_PROPERTY(bool endQuitsApps READ endQuitsApps WRITE setEndQuitsApps NOTIFY changed)
    Q_PROPERTY(bool closeOthers READ closeOthers WRITE setCloseOthers NOTIFY changed)
    Q_PROPERTY(bool requiresAllDisplays READ requiresAllDisplays WRITE setRequiresAllDisplays NOTIFY changed)
    Q_PROPERTY(QString endLabel READ endLabel NOTIFY changed)
    Q_PROPERTY(QString allDisplaysLabel READ allDisplaysLabel NOTIFY changed)
    Q_PROPERTY(QString problem READ problem NOTIFY changed)
    Q_PROPERTY(QString notice READ notice NOTIFY changed)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY changed)
    Q_PROPERTY(bool canSave READ canSave NOTIFY changed)
public:
    // What the editor reads of the world, taken when it opens.
    struct Context {
        std::vector<IndexedApp> apps;
        std::vector<platform::RunningApp> running;
        QStringList reserved; // normalised phrases that already mean a command
        // The stored setups now, for the conflict test (read at each check).
        std::function<std::shared_ptr<const std::vector<Setup>>()> stored;
        QString defaultBrowser;      // empty: the fallback
        std::vector<QRectF> screens; // the displays connected now, in the system's order
        QString home;
    };

    explicit SetupEditorModel(QObject* parent = nullptr);
    ~SetupEditorModel() override;

    // Null: "Add project…" adds nothing.
    void setFolderChooser(FolderChooser* chooser) { chooser_ = chooser; }

    // Starts editing a copy of `original` (an empty name marks a new setup).
    void open(const Setup& original, Context context);
    bool isOpen() const { return open_; }
    const Setup& original() const { return original_; }
    // The working copy as it stands, system state included.
    Setup draft() const;
    // A line above the buttons that is no refusal (set by the presenter).
    void setNotice(const QString& text);
    // The stored setups changed: the refusals and Save are read again.
    void storeChanged();

    bool isNew() const { return original_.name.isEmpty(); }
    QString name() const { return draft_.name; }
    QString nameChip() const;
    QString phrasesText() const { return SetupDraftEdits::phrasesText(draft_.phrases); }
    QString icon() const;
    static QStringList icons();
    QVariantList items() const;
    // Web items whose address would be refused.
    QStringList refusedIds() const;
    bool hasFrames() const;
    QVariantList thumbnail() const;
    QVariantList screens() const;
    QVariantList browsers() const;
    QStringList appNames() const;
    static QStringList presets();
    QString newURL() const { return newURL_; }
    void setNewURL(const QString& text);
    QString newURLBrowser() const { return newURLBrowser_; }
    void setNewURLBrowser(const QString& id);
    bool canAddSite() const;
    QObject* system() { return &system_; }
    SystemStateModel& systemModel() { return system_; }
    bool endQuitsApps() const { return draft_.endQuitsApps; }
    void setEndQuitsApps(bool on);
    bool closeOthers() const { return draft_.closeOthers; }
    void setCloseOthers(bool on);
    bool requiresAllDisplays() const { return draft_.requiresAllDisplays; }
    void setRequiresAllDisplays(bool on);
    QString endLabel() const;
    // Empty while the setup needs fewer than two displays.
    QString allDisplaysLabel() const;
    QString problem() const;
    QString notice() const { return notice_; }
    // The line above the buttons: a refusal, else the notice.
    QString statusLine() const;
    bool canSave() const;

    Q_INVOKABLE void setName(const QString& name);
    Q_INVOKABLE void setPhrasesText(const QString& text);
    Q_INVOKABLE void chooseIcon(const QString& symbol);
    // Index into `appNames`.
    Q_INVOKABLE void addApp(int index);
    Q_INVOKABLE void addSite();
    Q_INVOKABLE void addProject();
    Q_INVOKABLE void removeItem(const QString& id);
    Q_INVOKABLE void setItemURL(const QString& id, const QString& text);
    Q_INVOKABLE void setItemBrowser(const QString& id, const QString& browserID);
    Q_INVOKABLE void choosePreset(const QString& id, const QString& label);
    Q_INVOKABLE void chooseDisplay(const QString& id, int display);
    // Hands the finished draft on through `saved` when it may be saved; else the
    // status line says why.
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancel();
    // Closes after the presenter stored the setup.
    void close();

signals:
    void changed();
    void itemsChanged();
    void openChanged();
    // The finished setup, once per save press that may save.
    void saved(const brisklet::Setup& setup);

private:
    std::shared_ptr<const std::vector<Setup>> storedSetups() const;
    int screenCount() const;
    SetupItem* itemWith(const QString& id);
    void itemsEdited();
    std::vector<IndexedApp> sortedApps() const;
    QVariantMap rowOf(const SetupItem& item) const;

    Setup original_;
    Setup draft_;
    Context context_;
    std::vector<SetupDraftEdits::Browser> browsers_;
    QString newURL_;
    QString newURLBrowser_;
    QString notice_;
    SystemStateModel system_;
    FolderChooser* chooser_ = nullptr;
    bool open_ = false;
};

} // namespace brisklet
