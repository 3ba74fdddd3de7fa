#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <gtest/gtest.h>

namespace brisklet::test {

// Put raw bytes at `path` (making its folder), as another program or an older
// version of the program would have left them.
inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// Replace the file at `path` the way editors, sync tools and QSaveFile do: written
// beside it, then renamed over it, so a watcher sees a new file.
inline void replaceBytes(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + QStringLiteral(".outside.tmp");
    writeBytes(temporary, bytes);
    ASSERT_EQ(std::rename(temporary.toUtf8().constData(), path.toUtf8().constData()), 0)
        << path.toStdString();
}

// The bytes at `path`, empty when it can't be read.
inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace brisklet::test
