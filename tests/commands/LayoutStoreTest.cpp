#include "commands/LayoutStore.h"
#include "base/JsonFile.h"
#include "base/Paths.h"
#include "setups/DisplayArrangement.h"
#include "support/FakeClock.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

SavedLayout layout(const QString& name, std::vector<LayoutWindow> windows = {}) {
    if (windows.empty())
        windows.push_back({"org.gnome.Terminal", "Terminal", 0.1, 0.2, 0.5, 0.6, 0});
    return {name, "1:1920x1080", std::move(windows),
            QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15, 480), Qt::UTC)};
}

class LayoutStoreTest : public ::testing::Test {
protected:
    test::TempHome home;
    test::FakeClock clock;
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
        LayoutStore store(clock);
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

    LayoutStore again(clock);
    EXPECT_EQ(again.layoutNames(), (QStringList{"Deep Work", "Meeting, Room"}));
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
    LayoutStore store(clock);
    ASSERT_TRUE(store.store(layout("Focus")).ok);
    ASSERT_TRUE(store.store(layout("focus!", {{"code", "x", 0, 0, 1, 1, 0}})).ok);
    EXPECT_EQ(store.layoutNames(), QStringList{"focus!"});
    EXPECT_EQ(store.lookup("Focus")->windows.front().bundleID, "code");
}

TEST_F(LayoutStoreTest, anUndecodableFileIsBackedUpBeforeTheNextSave) {
    writeBytes(file(), "{\"meeting\": {\"name\": ");
    {
        LayoutStore store(clock);
        EXPECT_TRUE(store.layoutNames().isEmpty());
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
    LayoutStore store(clock);
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
    LayoutStore store(clock);
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
        LayoutStore other(clock);
        EXPECT_TRUE(other.layoutNames().isEmpty()) << broken.constData();
    }
}

TEST_F(LayoutStoreTest, aFileThatCannotBeReadIsNeverReplaced) {
    // Tests run as root, so a folder in the way stands for a file that can't be read.
    ASSERT_TRUE(QDir().mkpath(file()));
    LayoutStore store(clock);
    EXPECT_TRUE(store.layoutNames().isEmpty());
    const auto written = store.store(layout("Focus"));
    EXPECT_FALSE(written.ok);
    EXPECT_FALSE(written.error.isEmpty());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_FALSE(QFile::exists(backup()));
    // What was saved stays usable until quit.
    EXPECT_TRUE(store.lookup("focus"));
    EXPECT_EQ(store.layoutNames(), QStringList{"Focus"});
}

TEST_F(LayoutStoreTest, lookupAcceptsASimilarityOfSevenTenthsAndBreaksTiesByKey) {
    LayoutStore store(clock);
    ASSERT_TRUE(store.store(layout("abcdefghij")).ok);
    EXPECT_EQ(store.lookup("abcdefgxyz")->name, "abcdefghij"); // 3 of 10 changed: 0.7 exactly
    EXPECT_FALSE(store.lookup("abcdefwxyz"));                  // 4 of 10: 0.6
    EXPECT_FALSE(store.lookup(""));

    ASSERT_TRUE(store.store(layout("work b")).ok);
    ASSERT_TRUE(store.store(layout("work a")).ok);
    EXPECT_EQ(store.lookup("work c")->name, "work a");
}

TEST_F(LayoutStoreTest, aMissingFileGivesAnEmptyStore) {
    LayoutStore store(clock);
    EXPECT_TRUE(store.layoutNames().isEmpty());
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
