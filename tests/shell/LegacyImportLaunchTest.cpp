// A Tapsly user's data folder brought over by real launches: one whose import fails
// and the next, and one with files in the old folder that are no data.
#include "shell/AppDelegate.h"

#include "base/Paths.h"
#include "support/FakePlatform.h"
#include "support/FileBytes.h"
#include "support/FileFaults.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class LegacyImportLaunchTest : public ::testing::Test {
protected:
    TempHome home;
    ScopedRuntimeDir runtime;
    const QString old = home.dataHome() + "/Tapsly";

    static std::unique_ptr<AppDelegate> launch() {
        auto delegate =
            std::make_unique<AppDelegate>(std::make_unique<FakePlatform>(), AppDelegate::Options{});
        EXPECT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
        return delegate;
    }

    // One setup, "Gym", in a file of `size` bytes.
    void writeOldSetups(int size) {
        const QByteArray setup = setupNamed("Gym");
        writeBytes(old + "/setups.json", setup + QByteArray(std::max(0, size - int(setup.size())), ' '));
    }

    static QByteArray setupNamed(const QByteArray& name) {
        return R"([{"id": "2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E04", "name": ")" + name +
               R"(", "phrases": ["workout"], "createdAt": "2026-11-02T08:15:00Z"}])";
    }
};

} // namespace

TEST_F(LegacyImportLaunchTest, anImportThatFailedIsTriedAgainAtTheNextStart) {
    writeOldSetups(200 * 1024);
    writeBytes(old + "/Shortcuts/s1", "#!/bin/sh\n");
    {
        LogCapture log;
        FileSizeLimit fullDisk(64 * 1024);
        auto first = launch();
        EXPECT_EQ(log.count("legacy data migration failed: couldn't copy"), 1);
        ASSERT_TRUE(QFileInfo(Paths::commandsJSON()).isFile())
            << "the launch goes on and writes its commands";
        EXPECT_FALSE(first->vocabulary().contains("Gym"));
    }
    auto second = launch();
    EXPECT_EQ(readBytes(Paths::setupsJSON()), readBytes(old + "/setups.json"));
    EXPECT_EQ(readBytes(Paths::shortcutsFolder() + "/s1"), "#!/bin/sh\n");
    EXPECT_TRUE(second->vocabulary().contains("Gym"));
}

// A first start killed between noting the import as owed and noting its own files
// leaves a marker with no list: what a later launch finds in the data folder is the
// user's.
TEST_F(LegacyImportLaunchTest, aMarkerLeftWithoutItsListNeverLetsTheImportReplaceTheUsersFiles) {
    const QByteArray mine = setupNamed("Desk");
    writeBytes(Paths::setupsJSON(), mine);
    writeBytes(Paths::dataFolder() + ".import-pending", "{}");
    launch();

    writeOldSetups(0);
    writeBytes(old + "/Shortcuts/s1", "#!/bin/sh\n");
    auto later = launch();
    EXPECT_EQ(readBytes(Paths::setupsJSON()), mine);
    EXPECT_TRUE(later->vocabulary().contains("Desk"));
    EXPECT_EQ(readBytes(Paths::shortcutsFolder() + "/s1"), "#!/bin/sh\n") << "the rest is imported";
}

TEST_F(LegacyImportLaunchTest, aPipeOrSocketInTheOldFolderIsLeftOutAndTheRestArrives) {
    writeOldSetups(0);
    ASSERT_TRUE(makePipe(old + "/pipe"));
    QLocalServer socket;
    ASSERT_TRUE(socket.listen(old + "/live.sock"));
    LogCapture log;
    PipeRescue rescue({old + "/pipe"});
    auto delegate = launch();
    EXPECT_FALSE(rescue.finish()) << "the launch waited on the pipe";
    EXPECT_TRUE(delegate->vocabulary().contains("Gym"));
    EXPECT_EQ(log.count("legacy data migration skipped"), 2);
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + "/pipe"));
}
