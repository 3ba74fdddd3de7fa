#include "base/JsonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace brisklet::JsonFile {

namespace {

// Why something in the file's place is never opened: a pipe or a device would block
// the caller or feed it without end. Links are followed.
std::optional<QString> notARegularFile(const QFileInfo& info) {
    if (info.isFile())
        return std::nullopt;
    if (info.isDir())
        return QStringLiteral("a folder is in the way");
    if (!info.exists())
        return QStringLiteral("it is a link to nothing");
    return QStringLiteral("it is not a regular file (a pipe, socket or device), so it is not opened");
}

} // namespace

ReadResult read(const QString& path) {
    ReadResult result;
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        result.status = ReadStatus::missing;
        return result;
    }
    if (auto refusal = notARegularFile(info)) {
        result.status = ReadStatus::unreadable;
        result.error = *refusal;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ReadStatus::unreadable;
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.status = ReadStatus::unreadable;
        result.error = file.errorString();
        return result;
    }
    QJsonParseError parseError{};
    result.document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || result.document.isNull()) {
        result.status = ReadStatus::undecodable;
        result.error = parseError.errorString();
        result.document = {};
        return result;
    }
    result.status = ReadStatus::ok;
    return result;
}

QByteArray encode(const QJsonDocument& document) {
    return document.toJson(QJsonDocument::Indented);
}

WriteResult write(const QString& path, const QJsonDocument& document) {
    QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        if (auto refusal = notARegularFile(info))
            return {false, *refusal + QStringLiteral(", so it is left as it is")};
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return {false, QStringLiteral("the existing file can't be read, so it is left as it is")};
    }
    QSaveFile file(path);
    // Unbuffered: a buffered write that the disk cuts short (full, or over a size
    // limit) still commits, replacing the file with the part that fit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, file.errorString()};
    const QByteArray bytes = encode(document);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return {false, file.errorString()};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

std::optional<QString> backup(const QString& path, const QString& backupName) {
    const QFileInfo info(path);
    if (notARegularFile(info))
        return std::nullopt;
    const QDir folder = info.absoluteDir();
    const QString target = folder.filePath(backupName);
    if (QFileInfo::exists(target)) {
        // Keep the earlier backup under a name stamped with its own time.
        const QFileInfo old(target);
        const QString stamp = old.lastModified().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString stem = old.completeBaseName();
        const QString suffix = old.suffix().isEmpty() ? QString() : QStringLiteral(".") + old.suffix();
        QString kept = folder.filePath(stem + QStringLiteral("-") + stamp + suffix);
        for (int n = 2; QFileInfo::exists(kept); ++n)
            kept = folder.filePath(stem + QStringLiteral("-") + stamp + QStringLiteral("-") +
                                   QString::number(n) + suffix);
        if (!QFile::rename(target, kept))
            return std::nullopt;
    }
    if (!QFile::copy(path, target))
        return std::nullopt;
    return target;
}

QString isoDate(const QDateTime& date) {
    return date.toUTC().toString(Qt::ISODate);
}

std::optional<QDateTime> parseIsoDate(const QString& text) {
    QDateTime date = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!date.isValid())
        date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date.toUTC();
}

} // namespace brisklet::JsonFile
