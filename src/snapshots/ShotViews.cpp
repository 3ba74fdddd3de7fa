#include "snapshots/ShotViews.h"

#include "snapshots/SnapshotFixtures.h"
#include "ui/home/HomeWindowController.h"
#include "ui/hud/HUDModel.h"
#include "ui/onboarding/OnboardingController.h"
#include "ui/pick/BriskPickModel.h"
#include "ui/receipts/SetupNudgeController.h"
#include "ui/receipts/SetupNudgeModel.h"
#include "ui/setups/CapturePreviewModel.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>

namespace brisklet::ShotViews {

namespace {

using namespace SnapshotCatalogue;

// A diagonal gradient from the top-left corner to the bottom-right one.
QByteArray gradient(const char* from, const char* to) {
    return QByteArray(R"(
    Shape {
        anchors.fill: parent
        ShapePath {
            strokeWidth: -1
            fillGradient: LinearGradient {
                x1: 0; y1: 0; x2: root.width; y2: root.height
                GradientStop { position: 0; color: )") +
           from + R"( }
                GradientStop { position: 1; color: )" +
           to + R"( }
            }
            PathLine { x: root.width; y: 0 }
            PathLine { x: root.width; y: root.height }
            PathLine { x: 0; y: root.height }
            PathLine { x: 0; y: 0 }
        }
    }
)";
}

struct Recipe {
    QByteArray body;     // QML inside the backdrop, which is `root`
    QVariantMap context; // what the body reads by name
    QString error;       // why the shot can't be staged
};

QVariant object(QObject* o) {
    return QVariant::fromValue<QObject*>(o);
}

Recipe recipe(const HomeShot& shot, const Stage& stage, QObject*) {
    return {R"(
    HomeView { anchors.fill: parent; home: shotHome; pane: shotPane }
)",
            {{"shotHome", object(stage.home(shot.store, shot.usage, shot.magic, shot.build))},
             {"shotPane", shot.pane}},
            {}};
}

// A model of its own per step, as the controller would have it at that point.
Recipe recipe(const OnboardingShot& shot, const Stage& stage, QObject* owner) {
    auto* model = new OnboardingModel(owner);
    model->setStep(shot.step);
    model->setGrants({shot.micOK, shot.speechOK, shot.axOK});
    model->setCommandSucceeded(shot.commandSucceeded);
    model->setLevel(SnapshotFixtures::onboardingLevel);
    model->setMagicScanned(shot.magicScanned);
    if (shot.proposals)
        model->setMagicProposals(stage.proposals);
    return {R"(
    OnboardingView { anchors.fill: parent; model: shotModel; controller: shotController }
)",
            {{"shotModel", object(model)}, {"shotController", object(stage.onboarding)}},
            {}};
}

Recipe recipe(const EditorShot& shot, const Stage& stage, QObject* owner) {
    Setup setup = SnapshotFixtures::blankSetup(stage.now);
    if (!shot.setupName.isEmpty()) {
        const std::optional<Setup> stored = stage.storedSetup(shot.setupName);
        if (!stored)
            return {{}, {}, QStringLiteral("no setup named “%1”").arg(shot.setupName)};
        setup = *stored;
    }
    auto* model = new SetupEditorModel(owner);
    model->open(setup, stage.editorContext());
    return {R"(
    SetupEditorPanel { anchors.fill: parent; model: shotModel }
)",
            {{"shotModel", object(model)}},
            {}};
}

Recipe recipe(const CaptureShot& shot, const Stage& stage, QObject* owner) {
    SetupEngine::CaptureResult result =
        SnapshotFixtures::demoCapture(stage.fingerprint, shot.found == CaptureShot::Found::overlapping);
    if (shot.found == CaptureShot::Found::nothing)
        result.items.clear();
    // No stored setup answers to any name: the review offers a new one.
    auto* model = new CapturePreviewModel(
        result, QString(), [](const QString&) { return std::optional<QString>(); }, owner);
    QVariantList sizes;
    for (const QScreen* screen : QGuiApplication::screens())
        sizes << QSizeF(screen->geometry().size());
    model->setScreens(sizes);
    return {R"(
    CapturePreviewView { anchors.fill: parent; preview: shotModel }
)",
            {{"shotModel", object(model)}},
            {}};
}

Recipe recipe(const HUDShot& shot, const Stage&, QObject* owner) {
    auto* model = new HUDModel(owner);
    model->setState(shot.state);
    if (!shot.quiet)
        model->setBars(SnapshotFixtures::speakingBars());
    // A question shows its buttons; they answer nothing here.
    if (shot.state.kind == HUDState::Kind::confirm)
        model->setConfirm([] {}, [] {});
    return {gradient("Qt.rgba(0.13, 0.17, 0.26, 1)", "Qt.rgba(0.36, 0.27, 0.42, 1)") +
                "    HUDView { anchors.centerIn: parent; model: shotModel }\n",
            {{"shotModel", object(model)}},
            {}};
}

Recipe recipe(const PickShot&, const Stage&, QObject* owner) {
    auto* model = new BriskPickModel(SnapshotFixtures::pickRows(), owner);
    return {R"(
    BriskPickView { anchors.centerIn: parent; model: shotModel }
)",
            {{"shotModel", object(model)}},
            {}};
}

Recipe recipe(const MarkRowShot&, const Stage&, QObject*) {
    return {R"(
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    Row {
        anchors.centerIn: parent
        spacing: 22
        Repeater {
            model: [16, 22, 28, 52]
            Column {
                required property int modelData
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                BriskMark { size: parent.modelData; anchors.horizontalCenter: parent.horizontalCenter }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: parent.modelData
                    font: DS.text.caption
                    color: root.c.inkSecondary
                }
            }
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 28; height: 28; radius: 8
            color: "white"
            Image { anchors.centerIn: parent; width: 18; height: 18; source: "image://snapshot/status-running" }
        }
        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: 18; height: 18
            source: "image://snapshot/status-paused"
        }
    }
)",
            {},
            {}};
}

Recipe recipe(const NudgeShot& shot, const Stage&, QObject* owner) {
    auto* model = new SetupNudgeModel(shot.setupName, owner);
    return {
        gradient("Qt.rgba(0.85, 0.83, 0.8, 1)", "Qt.rgba(0.72, 0.7, 0.68, 1)") +
            "    SetupNudgeView { anchors.centerIn: parent; model: shotModel; shadowMargin: shotMargin }\n",
        {{"shotModel", object(model)}, {"shotMargin", SetupNudgeController::shadowMargin}},
        {}};
}

Recipe recipe(const AddCommandShot&, const Stage& stage, QObject*) {
    return {R"(
    CommandsPaneModel { id: commands; registry: shotHome.registry; setups: shotHome.setups }
    AddCommandSheet { id: sheet; paneModel: commands; home: shotHome }
    Component.onCompleted: sheet.open()
)",
            {{"shotHome", object(stage.home(Store::many, Usage::warm, Magic::demo, Build::none))}},
            {}};
}

} // namespace

QQuickItem* build(const Shot& shot, const Stage& stage, QQmlEngine& engine, QQuickWindow& window,
                  QString* error) {
    const Recipe r = std::visit([&](const auto& view) { return recipe(view, stage, &window); }, shot.view);
    if (!r.error.isEmpty()) {
        if (error)
            *error = r.error;
        return nullptr;
    }
    const QByteArray text = "import QtQuick\nimport QtQuick.Shapes\nimport Brisklet\n"
                            "Rectangle {\n    id: root\n    color: shotBackdrop\n" +
                            r.body + "}\n";
    // The shot's models are there by name before the first binding reads them.
    auto* context = new QQmlContext(engine.rootContext(), &window);
    for (auto it = r.context.begin(); it != r.context.end(); ++it)
        context->setContextProperty(it.key(), it.value());
    context->setContextProperty(QStringLiteral("shotBackdrop"), stage.backdrop(shot.backdrop, shot.dark));
    QQmlComponent component(&engine);
    component.setData(text, QUrl(QStringLiteral("qrc:/snapshots/%1.qml").arg(shot.name)));
    QObject* object = component.isReady() ? component.beginCreate(context) : nullptr;
    auto* item = qobject_cast<QQuickItem*>(object);
    if (item) {
        // In its window before it completes: the views read the window's appearance
        // and the sheet opens on the window's overlay.
        item->setSize(shot.size);
        item->setParentItem(window.contentItem());
        item->setParent(&window);
        component.completeCreate();
    }
    if (!item || component.isError()) {
        delete object;
        if (error)
            *error = component.errorString().trimmed().replace(QLatin1Char('\n'), QLatin1String("; "));
        return nullptr;
    }
    return item;
}

} // namespace brisklet::ShotViews
