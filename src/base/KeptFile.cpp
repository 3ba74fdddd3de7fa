#include "base/KeptFile.h"

#include <QFileInfo>

namespace brisklet {

KeptFile::KeptFile(QString backupName) : backupName_(std::move(backupName)) {}

JsonFile::ReadResult KeptFile::read(const QString& path) {
    path_ = path;
    keptAs_.reset();
    JsonFile::ReadResult result = JsonFile::read(path);
    switch (result.status) {
    case JsonFile::ReadStatus::ok:
    case JsonFile::ReadStatus::missing:
        state_ = State::free;
        break;
    case JsonFile::ReadStatus::unreadable:
        state_ = State::untouchable;
        break;
    case JsonFile::ReadStatus::undecodable:
        state_ = State::backupFirst;
        break;
    }
    return result;
}

void KeptFile::markUndecodable() {
    if (state_ == State::free)
        state_ = State::backupFirst;
}

JsonFile::WriteResult KeptFile::write(const QString& path, const QJsonDocument& document) {
    keptAs_.reset();
    // A path that was never read here holds nothing we know of: the plain write rule applies.
    const State state = path == path_ ? state_ : State::free;
    if (state == State::untouchable)
        return {false, QStringLiteral("the existing file couldn't be read, so it is left as it is")};
    // Gone since it was read: nothing is left to keep.
    if (state == State::backupFirst && QFileInfo::exists(path)) {
        keptAs_ = JsonFile::backup(path, backupName_);
        if (!keptAs_)
            return {false, QStringLiteral(
                               "the undecodable file couldn't be backed up first, so it is left as it is")};
    }
    if (path == path_)
        state_ = State::free;
    return JsonFile::write(path, document);
}

} // namespace brisklet
