#pragma once

#include "ui/design/WindowPort.h"
#include "ui/settings/SettingsServices.h"

#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>
#include <QQuickView>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

namespace brisklet {

class AppIndex;
class AppState;
class CommandRegistry;
class SetupStore;
class SetupsPaneModel;
struct Setup;

// The home window: built on the first show, kept while it exists (also while it
// stands aside for a preview), dropped when the user closes it. Every user action
// in it goes out through a callback read at the moment it is called, so callbacks
// assigned after the window was built still count. Main thread.
class HomeWindowController final : public QObject, public WindowPort {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application owns the home window.")
    Q_PROPERTY(QObject* registry READ registryObject CONSTANT)
    Q_PROPERTY(QObject* setups READ setupsObject CONSTANT)
    Q_PROPERTY(QObject* appState READ appStateObject CONSTANT)
    Q_PROPERTY(QVariantList panes READ panes CONSTANT)
    Q_PROPERTY(QObject* settings READ settingsObject CONSTANT)
    Q_PROPERTY(QVariantList menus READ menus NOTIFY menusChanged)
    Q_PROPERTY(QVariantList windowEntries READ windowEntries NOTIFY windowEntriesChanged)
    Q_PROPERTY(QObject* setupEditor READ setupEditor NOTIFY setupEditorChanged)
    Q_PROPERTY(QObject* setupsPane READ setupsPaneObject CONSTANT)
    // The Magic pane's inputs (null: the pane shows nothing to act on). Set before the window is built.
    Q_PROPERTY(QObject* magic MEMBER magic CONSTANT)
public:
    // `appIndex` may be null (no apps to offer).
    HomeWindowController(CommandRegistry& registry, AppIndex* appIndex, SetupStore& setups,
                         AppState& appState, QObject* parent = nullptr);
    ~HomeWindowController() override;

    // Brings the window forward, building it when there is none. Without a GUI
    // application (headless tests) it only records the showing.
    void show() override;
    bool isVisible() const override;
    // Raises and activates the window when it exists; nothing else.
    void bringForward();
    // Fades the window out of the way of a preview, keeping it and its pane.
    void stepAside();

    int shown() const { return shown_; }
    bool parkedForPreview() const { return parkedForPreview_; }
    QQuickView* window() const { return window_; }
    void setIcon(const QIcon& icon) { icon_ = icon; }

    static constexpr int width = 940;
    static constexpr int height = 640;
    static constexpr int minimumWidth = 860;
    static constexpr int minimumHeight = 580;

    std::function<float()> levelProvider;
    std::function<void(double)> onSensitivityChange;
    std::function<void()> onWakeConfigChange;
    std::function<void()> onRunOnboarding;
    std::function<void(const Setup&)> onRunSetup;
    std::function<void(const Setup&)> onEndSetup;
    std::function<void()> onCaptureSetup;
    std::function<void(const Setup&)> onUpdateSetup;
    std::function<void(int command)> onMenuCommand;
    // What the Settings pane reaches; its wake members call the four callbacks above.
    SettingsServices& settings() { return settings_; }

    // The menu bar: [{title, entries: [{title, shortcut (text), command, separator}]}].
    QVariantList menus() const { return menus_; }
    void setMenus(const QVariantList& menus);
    // The Window menu's open windows, in the entries' form, read afresh each time
    // that menu opens (null: none).
    std::function<QVariantList()> windowEntriesProvider;
    QVariantList windowEntries() const { return windowEntries_; }
    Q_INVOKABLE void refreshWindowEntries();

    // The editor the window shows as a sheet while it is open; null: none.
    QObject* setupEditor() const { return setupEditor_; }
    void setSetupEditor(QObject* editor);

    // What the menu bar's window entries do; nothing without a window.
    void showPane(const QString& pane);
    void hide();
    void minimize();
    void toggleZoom();
    // Sends the key sequence's first chord to the window's focused item.
    void sendKeys(const QKeySequence& keys);

    // What the views call.
    Q_INVOKABLE void runSetup(const QString& id);
    Q_INVOKABLE void endSetup(const QString& id);
    Q_INVOKABLE void captureSetup();
    Q_INVOKABLE void runOnboarding();
    Q_INVOKABLE void changeSensitivity(double value);
    Q_INVOKABLE void changeWakeConfig();
    Q_INVOKABLE void chooseMenuCommand(int command);
    Q_INVOKABLE float level() const;
    // The installed apps' names for the add-command sheet, sorted, duplicates kept.
    Q_INVOKABLE QStringList appNames() const;

    QObject* magic = nullptr;

    QObject* registryObject() const;
    QObject* setupsObject() const;
    QObject* appStateObject() const;
    QObject* setupsPaneObject() const;
    QObject* settingsObject() { return &settings_; }
    static QVariantList panes();

    // The Setups pane's model: its edit and new requests are for the editor.
    SetupsPaneModel& setupsPane() const { return *setupsPane_; }

signals:
    void menusChanged();
    void windowEntriesChanged();
    void setupEditorChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    // The title bar in the app's appearance: dark in dark mode.
    void markTitleBar();
    std::optional<Setup> setupOf(const QString& id) const;

    CommandRegistry& registry_;
    AppIndex* appIndex_;
    SetupStore& setups_;
    AppState& appState_;
    QIcon icon_;
    SettingsServices settings_;
    QVariantList menus_;
    QVariantList windowEntries_;
    QPointer<QObject> setupEditor_;
    SetupsPaneModel* setupsPane_; // a child
    QPointer<QQuickView> window_;
    QPointer<QPropertyAnimation> fade_;
    bool parkedForPreview_ = false;
    bool headlessVisible_ = false;
    int shown_ = 0;
};

} // namespace brisklet
