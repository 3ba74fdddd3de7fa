#include "windows/LayoutStore.h"
#include "base/JsonFile.h"
#include "base/Paths.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/TempHome.h"
#include "windows/DisplayArrangement.h"

#include "support/FileBytes.h"
#include "support/FileFaults.h"
#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

using test::readBytes;
using test::writeBytes;

SavedLayout layout(const QString& name, std::vector<LayoutWindow> windows = {}) {
    if (windows.empty())
        windows.push_back({"org.gnome.Terminal", "Terminal", 0.1, 0.2, 0.5, 0.6, 0});
    return {name, "1:1920x1080", std::move(windows),
            QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15, 480), Qt::UTC)};
}

class LayoutStoreTest : public ::testing::Test {
protected:
    LayoutStoreTest() { desktop.setDisplays({test::FakeDesktop::display(1, QRectF(0, 0, 1920, 1080), 30)}); }
    test::TempHome home;
    test::FakeClock clock;
    test::FakeDesktop desktop{clock};
    test::FakeLauncher launcher{desktop, clock};
    WindowEngine engine{desktop, nullptr, &launcher, clock};
    QString file() const { return Paths::layoutsJSON(); }
    QString backup() const { return Paths::dataFolder() + "/layouts-corrupt-backup.json"; }
};

} // namespace

TEST(LayoutFingerprint, describesTheScreensInOrder) {
    EXPECT_EQ(LayoutStore::fingerprint({QRectF(0, 0, 1512, 982)}), "1:1512x982");
    EXPECT_EQ(LayoutStore::fingerprint({QRectF(0, 0, 1728, 1117), QRectF(1728, 0, 2560, 1440)}),
              "2:1728x1117,2560x1440");
    // Truncated, never rounded.
    EXPECT_EQ(LayoutStore::fingerprint({QRectF(0, 0, 1727.9, 1116.5)}), "1:1727x1116");
    EXPECT_EQ(LayoutStore::fingerprint({}), "0:");
}

TEST_F(LayoutStoreTest, roundTripsThroughTheFileWithNormalisedKeysSortedAndIsoDates) {
    {
        LayoutStore store(engine, clock);
        ASSERT_TRUE(store.store(layout("Meeting, Room")).ok);
        ASSERT_TRUE(store
                        .store(layout("Deep Work", {{"firefox-esr", "Docs", 0, 0, 0.5, 1, 1},
                                                    {"code", "main.cpp", 0.5, 0.25, 0.5, 0.75, 0}}))
                        .ok);
    }
    const QByteArray bytes = readBytes(file());
    // Member names are the normalised names, in order; the user's own form is kept inside.
    EXPECT_LT(bytes.indexOf("\"deep work\""), bytes.indexOf("\"meeting room\""));
    EXPECT_TRUE(bytes.contains("\"name\": \"Meeting, Room\""));
    EXPECT_TRUE(bytes.contains("\"savedAt\": \"2026-12-07T09:30:15Z\""));
    EXPECT_LT(bytes.indexOf("\"bundleID\""), bytes.indexOf("\"displayIndex\""));
    EXPECT_LT(bytes.indexOf("\"displayIndex\""), bytes.indexOf("\"rh\""));
    EXPECT_LT(bytes.indexOf("\"fingerprint\""), bytes.indexOf("\"name\""));
    EXPECT_LT(bytes.indexOf("\"savedAt\""), bytes.indexOf("\"windows\""));

    LayoutStore again(engine, clock);
    EXPECT_EQ(again.cachedNames(), (std::vector<QString>{"Deep Work", "Meeting, Room"}));
    const auto found = again.lookup("meeting room");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "Meeting, Room");
    EXPECT_EQ(found->savedAt, QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15), Qt::UTC));
    const auto deep = again.lookup("DEEP WORK!");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->windows, (std::vector<LayoutWindow>{{"firefox-esr", "Docs", 0, 0, 0.5, 1, 1},
                                                        {"code", "main.cpp", 0.5, 0.25, 0.5, 0.75, 0}}));
}

TEST_F(LayoutStoreTest, savingUnderAnExistingNameReplacesIt) {
    LayoutStore store(engine, clock);
    ASSERT_TRUE(store.store(layout("Focus")).ok);
    ASSERT_TRUE(store.store(layout("focus!", {{"code", "x", 0, 0, 1, 1, 0}})).ok);
    EXPECT_EQ(store.cachedNames(), std::vector<QString>{"focus!"});
    EXPECT_EQ(store.lookup("Focus")->windows.front().bundleID, "code");
}

TEST_F(LayoutStoreTest, anUndecodableFileIsBackedUpBeforeTheNextSave) {
    writeBytes(file(), "{\"meeting\": {\"name\": ");
    {
        LayoutStore store(engine, clock);
        EXPECT_TRUE(store.cachedNames().empty());
        // Nothing happens to the file until something is saved.
        EXPECT_FALSE(QFile::exists(backup()));
        EXPECT_EQ(readBytes(file()), "{\"meeting\": {\"name\": ");
        ASSERT_TRUE(store.store(layout("Focus")).ok);
        EXPECT_EQ(readBytes(backup()), "{\"meeting\": {\"name\": ");
        EXPECT_TRUE(readBytes(file()).contains("\"focus\""));
        // Later saves leave the backup alone.
        ASSERT_TRUE(store.store(layout("Other")).ok);
        EXPECT_EQ(readBytes(backup()), "{\"meeting\": {\"name\": ");
    }
    // A second broken file never replaces the first backup.
    writeBytes(file(), "not json either");
    LayoutStore store(engine, clock);
    ASSERT_TRUE(store.store(layout("Focus")).ok);
    EXPECT_EQ(readBytes(backup()), "not json either");
    const QStringList kept = QDir(Paths::dataFolder()).entryList({"layouts-corrupt-backup-*.json"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(readBytes(Paths::dataFolder() + "/" + kept.front()), "{\"meeting\": {\"name\": ");
}

TEST_F(LayoutStoreTest, aLayoutWithAMissingKeyMakesTheFileUndecodable) {
    const QByteArray bytes = R"({"focus": {"name": "Focus", "fingerprint": "1:1920x1080",
        "savedAt": "2026-12-07T09:30:15Z", "windows": [{"bundleID": "code", "title": "x",
        "rx": 0, "ry": 0, "rw": 1, "displayIndex": 0}]}})";
    writeBytes(file(), bytes);
    LayoutStore store(engine, clock);
    EXPECT_FALSE(store.lookup("focus"));
    ASSERT_TRUE(store.store(layout("Other")).ok);
    EXPECT_EQ(readBytes(backup()), bytes);

    // A fractional display index, a bad date and a top level that is no object fail alike.
    for (const QByteArray& broken :
         {QByteArray(R"({"a": {"name": "A", "fingerprint": "", "savedAt": "2026-12-07T09:30:15Z", "windows": [
              {"bundleID": "b", "title": "", "rx": 0, "ry": 0, "rw": 1, "rh": 1, "displayIndex": 0.5}]}})"),
          QByteArray(R"({"a": {"name": "A", "fingerprint": "", "savedAt": "yesterday", "windows": []}})"),
          QByteArray("[]")}) {
        writeBytes(file(), broken);
        LayoutStore other(engine, clock);
        EXPECT_TRUE(other.cachedNames().empty()) << broken.constData();
    }
}

TEST_F(LayoutStoreTest, aFileThatCannotBeReadIsNeverReplaced) {
    // Tests run as root, so a folder in the way stands for a file that can't be read.
    ASSERT_TRUE(QDir().mkpath(file()));
    LayoutStore store(engine, clock);
    EXPECT_TRUE(store.cachedNames().empty());
    const auto written = store.store(layout("Focus"));
    EXPECT_FALSE(written.ok);
    EXPECT_FALSE(written.error.isEmpty());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_FALSE(QFile::exists(backup()));
    EXPECT_FALSE(store.lookup("focus")) << "nothing the next start would lack";
    EXPECT_TRUE(store.cachedNames().empty());
}

// A full disk: a layout that couldn't be saved is not kept for the session (the next
// start would lack it), and one saved before under the name stays as it was.
TEST_F(LayoutStoreTest, aLayoutThatCouldNotBeSavedIsTakenBackAndTheOneBeforeKept) {
    LayoutStore store(engine, clock);
    ASSERT_TRUE(store.store(layout("Focus")).ok);
    const QByteArray before = readBytes(file());
    {
        test::FileSizeLimit full(16);
        EXPECT_FALSE(store.store(layout("Focus", {{"code", "x", 0, 0, 1, 1, 0}})).ok);
        EXPECT_FALSE(store.store(layout("Deep work")).ok);
    }
    EXPECT_EQ(readBytes(file()), before);
    EXPECT_EQ(store.cachedNames(), std::vector<QString>{"Focus"});
    EXPECT_FALSE(store.lookup("deep work"));
    ASSERT_TRUE(store.lookup("focus"));
    EXPECT_EQ(store.lookup("focus")->windows.front().bundleID, "org.gnome.Terminal");
}

TEST_F(LayoutStoreTest, aPipeInPlaceOfTheFileIsNeitherOpenedNorReplaced) {
    ASSERT_TRUE(Paths::ensure());
    ASSERT_TRUE(test::makePipe(file()));
    LayoutStore store(engine, clock); // must not wait for a writer
    EXPECT_TRUE(store.cachedNames().empty());
    EXPECT_FALSE(store.store(layout("Focus")).ok);
    EXPECT_FALSE(QFileInfo(file()).isFile());
    EXPECT_FALSE(QFile::exists(backup()));
}

TEST_F(LayoutStoreTest, anUndecodableFileThatCouldNotBeBackedUpIsNeverReplaced) {
    const QByteArray broken = "{\"a\": " + QByteArray(256 * 1024, ' ');
    writeBytes(file(), broken);
    {
        test::FileSizeLimit limit(64 * 1024);
        LayoutStore store(engine, clock);
        EXPECT_FALSE(store.store(layout("Focus")).ok);
        EXPECT_FALSE(store.store(layout("Other")).ok);
    }
    EXPECT_EQ(readBytes(file()), broken);
}

TEST_F(LayoutStoreTest, lookupAcceptsASimilarityOfSevenTenthsAndBreaksTiesByKey) {
    LayoutStore store(engine, clock);
    ASSERT_TRUE(store.store(layout("abcdefghij")).ok);
    EXPECT_EQ(store.lookup("abcdefgxyz")->name, "abcdefghij"); // 3 of 10 changed: 0.7 exactly
    EXPECT_FALSE(store.lookup("abcdefwxyz"));                  // 4 of 10: 0.6
    EXPECT_FALSE(store.lookup(""));

    ASSERT_TRUE(store.store(layout("work b")).ok);
    ASSERT_TRUE(store.store(layout("work a")).ok);
    EXPECT_EQ(store.lookup("work c")->name, "work a");
}

TEST_F(LayoutStoreTest, aMissingFileGivesAnEmptyStore) {
    LayoutStore store(engine, clock);
    EXPECT_TRUE(store.cachedNames().empty());
    EXPECT_FALSE(store.lookup("anything"));
    EXPECT_FALSE(QFile::exists(file()));
}

TEST(LayoutPlacement, usesTheSavedDisplayElseCascadesOnTheFirst) {
    const std::vector<QRectF> frames{QRectF(0, 0, 1920, 1050), QRectF(1920, 30, 2560, 1410)};
    int slot = 1;
    const LayoutWindow second{"code", "", 0.5, 0.5, 0.25, 0.5, 1};
    EXPECT_EQ(LayoutStore::placement(second, frames, slot), QRectF(1920 + 1280, 30 + 705, 640, 705));
    EXPECT_EQ(slot, 1);

    const std::vector<QRectF> one{QRectF(0, 0, 1000, 800)};
    const LayoutWindow lost{"code", "", 0.1, 0.5, 0.5, 0.25, 2};
    EXPECT_EQ(LayoutStore::placement(lost, one, slot), QRectF(100 + 28, 400 - 28, 500, 200));
    EXPECT_EQ(LayoutStore::placement(lost, one, slot), QRectF(100 + 56, 400 - 56, 500, 200));
    EXPECT_EQ(slot, 3);
    EXPECT_FALSE(LayoutStore::placement(lost, {}, slot));
}

TEST(LayoutPlacement, relativeFramesNeedAVisibleFrameWithArea) {
    LayoutWindow w;
    ASSERT_TRUE(LayoutStore::setRelativeFrame(w, QRectF(100, 50, 500, 400), QRectF(0, 25, 1000, 800)));
    EXPECT_DOUBLE_EQ(w.rx, 0.1);
    EXPECT_DOUBLE_EQ(w.ry, 25.0 / 800);
    EXPECT_DOUBLE_EQ(w.rw, 0.5);
    EXPECT_DOUBLE_EQ(w.rh, 0.5);
    EXPECT_FALSE(LayoutStore::setRelativeFrame(w, QRectF(0, 0, 10, 10), QRectF(0, 0, 0, 800)));
}

TEST(DisplayArrangement, cascadesAwayFromTheEdgesAndKeepsTheSize) {
    const QRectF frame(0, 0, 1000, 800);
    EXPECT_EQ(DisplayArrangement::cascaded(QRectF(100, 300, 400, 300), 8, frame), QRectF(100, 300, 400, 300));
    EXPECT_EQ(DisplayArrangement::cascaded(QRectF(100, 300, 400, 300), 9, frame), QRectF(128, 272, 400, 300));
    EXPECT_EQ(DisplayArrangement::cascaded(QRectF(100, 300, 400, 300), -1, frame), QRectF(72, 328, 400, 300));
    // Near the right and bottom edges it moves the other way.
    EXPECT_EQ(DisplayArrangement::cascaded(QRectF(590, 10, 400, 300), 1, frame), QRectF(562, 38, 400, 300));
    // Larger than the frame: pinned to its minimum corner.
    EXPECT_EQ(DisplayArrangement::cascaded(QRectF(50, 50, 1200, 900), 2, frame), QRectF(0, 0, 1200, 900));
}

namespace {
bool near(const QRectF& a, const QRectF& b, double tolerance = 12) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance &&
           std::abs(a.width() - b.width()) <= tolerance && std::abs(a.height() - b.height()) <= tolerance;
}
} // namespace

TEST_F(LayoutStoreTest, savesTheWindowsOnScreenAndPutsThemBack) {
    const QRectF editorA(100, 130, 800, 600), editorB(960, 30, 960, 1050), web(300, 400, 1000, 600);
    const auto a = desktop.addWindow(100, "code", editorA, "main.cpp");
    const auto b = desktop.addWindow(100, "code", editorB, "notes.md");
    const auto c = desktop.addWindow(200, "firefox-esr", web, "Docs");
    desktop.addWindow(300, "", QRectF(0, 0, 600, 400), "no entry"); // nothing to launch it by: not saved
    clock.setWallStart(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0, 750), Qt::UTC));

    LayoutStore store(engine, clock);
    EXPECT_EQ(store.snapshot("Coding"), (LayoutStore::SnapshotResult{3, true}));
    const auto saved = store.lookup("coding");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fingerprint, "1:1920x1080");
    EXPECT_EQ(saved->savedAt, QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0), Qt::UTC));
    ASSERT_EQ(saved->windows.size(), 3u);
    // Fractions of the visible frame below the 30-point panel, bottom-left origin.
    const auto first = std::find_if(saved->windows.begin(), saved->windows.end(),
                                    [](const LayoutWindow& w) { return w.title == "main.cpp"; });
    ASSERT_NE(first, saved->windows.end());
    EXPECT_DOUBLE_EQ(first->rx, 100.0 / 1920);
    EXPECT_DOUBLE_EQ(first->ry, 350.0 / 1050);
    EXPECT_DOUBLE_EQ(first->rw, 800.0 / 1920);
    EXPECT_DOUBLE_EQ(first->rh, 600.0 / 1050);
    EXPECT_EQ(first->displayIndex, 0);

    // Shuffle them, with the two editor windows trading places and order.
    desktop.update(a, [](auto& w) { w.info.frame = QRectF(900, 300, 500, 500); });
    desktop.update(b, [](auto& w) { w.info.frame = QRectF(50, 60, 700, 700); });
    desktop.raise(b);
    desktop.update(c, [](auto& w) { w.info.frame = QRectF(0, 30, 400, 400); });

    LayoutStore reloaded(engine, clock);
    EXPECT_EQ(reloaded.apply("coding"), (LayoutStore::ApplyResult{true, 3, 3, false}));
    EXPECT_TRUE(near(desktop.frameOf(a), editorA)) << desktop.frameOf(a).x();
    EXPECT_TRUE(near(desktop.frameOf(b), editorB));
    EXPECT_TRUE(near(desktop.frameOf(c), web));
}

TEST_F(LayoutStoreTest, savesNothingWithoutWindowsOfKnownApps) {
    desktop.addWindow(300, "", QRectF(0, 0, 600, 400), "no entry");
    LayoutStore store(engine, clock);
    EXPECT_EQ(store.snapshot("Empty"), (LayoutStore::SnapshotResult{0, false}));
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_TRUE(store.cachedNames().empty());
}

TEST_F(LayoutStoreTest, windowsOfAMissingDisplayCascadeOnTheFirstInAppOrder) {
    desktop.setDisplays({test::FakeDesktop::display(1, QRectF(0, 0, 1920, 1080)),
                         test::FakeDesktop::display(2, QRectF(1920, 0, 1920, 1080))});
    const auto web = desktop.addWindow(200, "firefox-esr", QRectF(1920 + 100, 100, 800, 600), "Docs");
    const auto code = desktop.addWindow(100, "code", QRectF(1920 + 200, 200, 800, 600), "main.cpp");
    LayoutStore store(engine, clock);
    ASSERT_EQ(store.snapshot("Two").saved, 2);

    desktop.setDisplays({test::FakeDesktop::display(1, QRectF(0, 0, 1920, 1080))});
    EXPECT_EQ(store.apply("two"), (LayoutStore::ApplyResult{true, 2, 2, true}));
    // "code" comes first by ID, so it takes slot 1 (28 points right and down).
    EXPECT_TRUE(near(desktop.frameOf(code), QRectF(200 + 28, 200 + 28, 800, 600), 1));
    EXPECT_TRUE(near(desktop.frameOf(web), QRectF(100 + 56, 100 + 56, 800, 600), 1));
}

TEST_F(LayoutStoreTest, applyLaunchesAppsThatAreNotRunningAndTellsUnknownNames) {
    desktop.addWindow(100, "code", QRectF(100, 130, 800, 600), "main.cpp");
    LayoutStore store(engine, clock);
    ASSERT_EQ(store.snapshot("Solo").saved, 1);
    EXPECT_EQ(store.apply("something else entirely"), LayoutStore::ApplyResult{});

    desktop.remove(desktop.windows().front().id);
    launcher.install("code", {.delay = 0.5, .frame = QRectF(500, 500, 640, 480)});
    EXPECT_EQ(store.apply("solo"), (LayoutStore::ApplyResult{true, 1, 1, false}));
    ASSERT_EQ(launcher.launches().size(), 1u);
    EXPECT_TRUE(near(desktop.frameOf(desktop.windows().front().id), QRectF(100, 130, 800, 600)));
}
