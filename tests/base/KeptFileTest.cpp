#include "base/KeptFile.h"

#include "support/FileBytes.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace brisklet;

TEST(KeptFile, backsUpAnUndecodableFileOnceAndOnlyWhileItIsThere) {
    QTemporaryDir dir;
    const QString path = dir.filePath("setups.json");
    const QString backup = dir.filePath("setups-corrupt-backup.json");
    const QJsonDocument empty(QJsonArray{});

    test::writeBytes(path, "[{\"name\": ");
    KeptFile file(QStringLiteral("setups-corrupt-backup.json"));
    EXPECT_EQ(file.read(path).status, JsonFile::ReadStatus::undecodable);
    ASSERT_TRUE(file.write(path, empty).ok);
    EXPECT_EQ(file.keptAs(), backup);
    EXPECT_EQ(test::readBytes(backup), "[{\"name\": ");
    // The file is ours now: later writes keep no further copies.
    ASSERT_TRUE(file.write(path, empty).ok);
    EXPECT_FALSE(file.keptAs());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    // Decoded, but not what the store expects; then removed before the save.
    test::writeBytes(path, "{}");
    EXPECT_EQ(file.read(path).status, JsonFile::ReadStatus::ok);
    file.markUndecodable();
    QFile::remove(path);
    ASSERT_TRUE(file.write(path, empty).ok);
    EXPECT_FALSE(file.keptAs()); // nothing was left to keep
    EXPECT_EQ(test::readBytes(backup), "[{\"name\": ");

    // What can't be read is never written over, however often it is asked.
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_EQ(file.read(path).status, JsonFile::ReadStatus::unreadable);
    EXPECT_FALSE(file.write(path, empty).ok);
    EXPECT_FALSE(file.write(path, empty).ok);
    EXPECT_TRUE(QFileInfo(path).isDir());
}
