#include "base/JsonFile.h"

#include "support/FileBytes.h"
#include "support/FileFaults.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace brisklet;
using JsonFile::ReadStatus;

namespace {
using test::readBytes;
using test::writeBytes;
} // namespace

TEST(JsonFile, tellsMissingFromUnreadableFromUndecodable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("setups.json");
    EXPECT_EQ(JsonFile::read(path).status, ReadStatus::missing);

    writeBytes(path, "[{\"name\": ");
    auto broken = JsonFile::read(path);
    EXPECT_EQ(broken.status, ReadStatus::undecodable);
    EXPECT_FALSE(broken.error.isEmpty());

    // Something in the way that can't be read as a file (tests run as root, so
    // permissions alone would not stop them).
    const QString folder = dir.filePath("layouts.json");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(JsonFile::read(folder).status, ReadStatus::unreadable);
}

TEST(JsonFile, writesPrettySortedAndReadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("layouts.json");
    QJsonObject inner{{"zeta", 1}, {"alpha", 2}};
    QJsonObject root{{"work", inner}, {"apple", QJsonArray{1, 2}}};
    auto written = JsonFile::write(path, QJsonDocument(root));
    ASSERT_TRUE(written.ok) << written.error.toStdString();
    const QByteArray bytes = readBytes(path);
    EXPECT_LT(bytes.indexOf("\"alpha\""), bytes.indexOf("\"zeta\""));
    EXPECT_LT(bytes.indexOf("\"apple\""), bytes.indexOf("\"work\""));
    EXPECT_TRUE(bytes.contains('\n')); // pretty-printed
    auto back = JsonFile::read(path);
    ASSERT_EQ(back.status, ReadStatus::ok);
    EXPECT_EQ(back.document.object(), root);
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(JsonFile, neverReplacesAFileThatCouldNotBeRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("commands.json");
    ASSERT_TRUE(QDir().mkpath(path + "/precious"));
    auto result = JsonFile::write(path, QJsonDocument(QJsonArray{}));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFileInfo(path + "/precious").isDir());

    // A write into a folder that does not exist fails as a value, too.
    EXPECT_FALSE(JsonFile::write(dir.filePath("nowhere/x.json"), QJsonDocument(QJsonArray{})).ok);
}

TEST(JsonFile, backupsNeverOverwriteAnEarlierBackup) {
    QTemporaryDir dir;
    const QString path = dir.filePath("setups.json");
    writeBytes(path, "first broken");
    auto first = JsonFile::backup(path, "setups-corrupt-backup.json");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(readBytes(*first), "first broken");

    writeBytes(path, "second broken");
    auto second = JsonFile::backup(path, "setups-corrupt-backup.json");
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(readBytes(*second), "second broken");

    writeBytes(path, "third broken");
    ASSERT_TRUE(JsonFile::backup(path, "setups-corrupt-backup.json").has_value());

    // Every earlier backup survives under a name of its own.
    QStringList contents;
    for (const QString& name : QDir(dir.path()).entryList({"setups-corrupt-backup*"}, QDir::Files))
        contents << QString::fromUtf8(readBytes(dir.filePath(name)));
    contents.sort();
    EXPECT_EQ(contents, (QStringList{"first broken", "second broken", "third broken"}));
}

TEST(JsonFile, datesRoundTripAsIso8601) {
    const QDateTime date(QDate(2026, 12, 7), QTime(9, 30, 5), Qt::UTC);
    EXPECT_EQ(JsonFile::isoDate(date), "2026-12-07T09:30:05Z");
    EXPECT_EQ(JsonFile::parseIsoDate("2026-12-07T09:30:05Z"), date);
    EXPECT_EQ(JsonFile::parseIsoDate("2026-12-07T10:30:05+01:00"), date);
    EXPECT_EQ(JsonFile::parseIsoDate("2026-12-07T09:30:05.250Z"), date.addMSecs(250));
    EXPECT_FALSE(JsonFile::parseIsoDate("yesterday").has_value());
}

TEST(JsonFile, leavesAnythingButARegularFileUnopened) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("commands.json");
    ASSERT_TRUE(test::makePipe(pipe));
    // Opening a pipe would wait for a writer for ever.
    const auto read = JsonFile::read(pipe);
    EXPECT_EQ(read.status, ReadStatus::unreadable);
    EXPECT_FALSE(read.error.isEmpty());
    EXPECT_FALSE(JsonFile::write(pipe, QJsonDocument(QJsonArray{})).ok);
    EXPECT_FALSE(JsonFile::backup(pipe, "commands-corrupt-backup.json"));
    EXPECT_FALSE(QFileInfo(pipe).isFile());

    // A link to a regular file is that file.
    const QString real = dir.filePath("real.json");
    writeBytes(real, "[1]");
    const QString link = dir.filePath("link.json");
    ASSERT_TRUE(QFile::link(real, link));
    EXPECT_EQ(JsonFile::read(link).status, ReadStatus::ok);
    // A link to nowhere can't be read, and is not replaced either.
    const QString dangling = dir.filePath("dangling.json");
    ASSERT_TRUE(QFile::link(dir.filePath("gone.json"), dangling));
    EXPECT_EQ(JsonFile::read(dangling).status, ReadStatus::unreadable);
}
