#pragma once

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace brisklet::JsonFile {

enum class ReadStatus {
    ok,          // read and decoded
    missing,     // no file at the path
    unreadable,  // something is there but could not be read (permissions, I/O, a folder,
                 // a pipe or device: anything but a regular file is never opened)
    undecodable, // read, but not valid JSON
};

struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    QJsonDocument document;
    QString error; // a plain sentence for the log
};

struct WriteResult {
    bool ok = false;
    QString error;
};

ReadResult read(const QString& path);

// Pretty-printed, keys sorted (objects keep their keys in order), UTF-8.
QByteArray encode(const QJsonDocument& document);

// Write the whole file atomically: readers see the old or the new file, never half.
// Refuses to replace a file that exists but cannot be read, or anything but a regular
// file, so data that may still be recoverable is never destroyed by a save.
WriteResult write(const QString& path, const QJsonDocument& document);

// Copy the file at `path` to `backupName` in the same folder before it gets
// replaced. An earlier backup is never overwritten: it is kept under a time-stamped
// name first. Returns the backup's path, or nothing when the copy failed (or the
// path holds no regular file).
std::optional<QString> backup(const QString& path, const QString& backupName);

// Dates as ISO 8601 text in UTC ("2026-12-07T09:30:00Z").
QString isoDate(const QDateTime& date);
std::optional<QDateTime> parseIsoDate(const QString& text);

} // namespace brisklet::JsonFile
