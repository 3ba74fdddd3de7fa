#pragma once

// The home window's fixture: a controller over a registry, an app index of two
// apps, a setups store and the counters, in folders of the test's own.
#include "ui/home/HomeWindowController.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "setups/SetupStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/home/CommandEdits.h"
#include "ui/home/CommandsPaneModel.h"
#include "ui/setups/SetupsPaneModel.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/TempHome.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickItemGrabResult>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace brisklet::test {

inline QJsonObject storedCommand(const QString& path, const std::function<bool(const QJsonObject&)>& pick) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const auto& value : QJsonDocument::fromJson(file.readAll()).array()) {
        if (pick(value.toObject()))
            return value.toObject();
    }
    return {};
}

inline int customCount(const CommandRegistry& registry) {
    return static_cast<int>(std::count_if(registry.entries().begin(), registry.entries().end(),
                                          [](const auto& e) { return e.id.startsWith("custom-"); }));
}

class HomeWindowFixture : public LightDarkViewTest {
protected:
    HomeWindowFixture() : LightDarkViewTest(false) {}
    void SetUp() override {
        LightDarkViewTest::SetUp();
        apps.setInstalled(
            {{"firefox", "Firefox", "/f.desktop"}, {"org.gnome.Terminal", "Terminal", "/t.desktop"}});
        index.refresh();
        index.waitForScans();
        registry.load();
    }

    QString commandsPath() const { return dir.filePath("commands.json"); }

    bool load(ViewHarness& h, const QString& pane, int height = 640, int width = 940) {
        if (!h.loadView("HomeView", {{"home", QVariant::fromValue<QObject*>(&controller)}, {"pane", pane}}))
            return false;
        h.root()->setSize(QSizeF(width, height));
        return true;
    }

    // Opens the add-command sheet over the Commands pane: its phrase field once it
    // shows, else null.
    QQuickItem* openAddSheet(ViewHarness& h) {
        if (!load(h, "Commands"))
            return nullptr;
        h.render();
        h.click(h.find("addButton"));
        QQuickItem* phrase = ViewHarness::find(h.view().contentItem(), "phrase");
        return phrase && waitFor([&] { return phrase->isVisible(); }) ? phrase : nullptr;
    }

    // The Commands pane searched for "center": the Center help row, else null.
    QQuickItem* loadCenterRow(ViewHarness& h) {
        if (!load(h, "Commands"))
            return nullptr;
        h.find("search")->setProperty("text", "center");
        h.render();
        return h.find("doc Center");
    }

    void addSetups() {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        brisklet::Setup deep;
        deep.id = QUuid::createUuid();
        deep.name = "Deep Work";
        deep.phrases = {"focus time", "heads down", "third phrase"};
        deep.items.resize(2);
        deep.lastRunAt = now.addSecs(-7200);
        setups.upsert(deep);
        brisklet::Setup evening;
        evening.id = QUuid::createUuid();
        evening.name = "Evening";
        evening.closeOthers = true;
        evening.createdAt = now.addDays(-3);
        setups.upsert(evening);
        setups.setActiveRun(SetupStore::ActiveRun{deep.id, deep.name, {}, now, false, false, {}});
        deepId = deep.id;
    }

    // Draws the view, saves the picture and checks it is more than a flat fill.
    QImage shot(ViewHarness& h, const QString& name) {
        QImage image = h.render();
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_TRUE(Pixels::nonBlank(image)) << name.toStdString();
        ViewHarness::save(image, "home-" + name + suffix());
        return image;
    }

    // A text item by name: present, saying something, and legible where it is drawn.
    QQuickItem* paneItem(ViewHarness& h) const {
        return qvariant_cast<QQuickItem*>(h.find("paneLoader")->property("item"));
    }

    TempHome home;
    QTemporaryDir dir;
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeApps apps{desktop};
    AppIndex index{&apps, nullptr};
    CommandRegistry registry{dir.filePath("commands.json")};
    SetupStore setups{dir.filePath("setups.json")};
    AppState state;
    HomeWindowController controller{registry, &index, setups, state};
    QUuid deepId;
};

} // namespace brisklet::test
