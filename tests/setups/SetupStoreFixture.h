#pragma once

#include "setups/SetupStore.h"
#include "support/FakeClock.h"
#include "support/FakeScheduler.h"
#include "support/FileBytes.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

namespace brisklet::test {

// A setup as a hand-made file would hold it, made on 2 November 2026.
inline brisklet::Setup named(const QString& name, QStringList phrases = {}) {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.phrases = std::move(phrases);
    s.createdAt = s.updatedAt = QDateTime(QDate(2026, 11, 2), QTime(8, 15), Qt::UTC);
    return s;
}

inline QByteArray fileOf(const std::vector<brisklet::Setup>& list) {
    QJsonArray array;
    for (const brisklet::Setup& s : list)
        array.append(s.toJson());
    return QJsonDocument(array).toJson();
}

inline QStringList namesIn(const SetupStore::List& list) {
    QStringList names;
    for (const brisklet::Setup& s : list)
        names << s.name;
    return names;
}

// A setups store on a file in a fresh home, its clock at 7 December 2026, 9:00 UTC,
// its debounced reloads on a fake scheduler.
class SetupStoreFixture : public ::testing::Test {
protected:
    SetupStoreFixture() {
        QDir().mkpath(folder());
        clock.setWallStart(QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC));
    }

    QString folder() const { return home.dataHome() + "/Brisklet"; }
    QString file() const { return folder() + "/setups.json"; }
    QString backup() const { return folder() + "/setups-corrupt-backup.json"; }
    QStringList keptBackups() const { return QDir(folder()).entryList({"setups-corrupt-backup-*.json"}); }
    std::unique_ptr<SetupStore> open() { return std::make_unique<SetupStore>(file(), scheduler); }

    // Another program replaces the file the way editors and QSaveFile do.
    void replaceFromOutside(const QByteArray& bytes) {
        const QString temporary = folder() + "/.setups.json.tmp";
        writeBytes(temporary, bytes);
        ASSERT_EQ(std::rename(temporary.toUtf8().constData(), file().toUtf8().constData()), 0);
    }

    // The watcher's events come from the kernel, in real time: wait until they have
    // scheduled a reload, and let the rest of the same burst arrive.
    bool reloadScheduled() {
        QElapsedTimer waited;
        waited.start();
        while (scheduler.pendingCount() == 0 && waited.elapsed() < 5000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < 150) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        return scheduler.pendingCount() > 0;
    }

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
};

} // namespace brisklet::test
