#pragma once

#include "base/JsonFile.h"

#include <QString>
#include <optional>

namespace brisklet {

// The keeping rule of the data folder's JSON files: nothing the user may still need
// is replaced. Something there that can't be read (a folder, a pipe, no permission)
// is never written over; a file that reads but doesn't decode is copied to its
// backup name before the first save replaces it, and no save replaces it while that
// copy fails. One store uses it from one thread.
class KeptFile final {
public:
    explicit KeptFile(QString backupName);

    // Reads `path` and notes what later writes to it must do first.
    JsonFile::ReadResult read(const QString& path);
    // The file read, but what it holds isn't what its store expects.
    void markUndecodable();

    // Writes the whole file, keeping an undecodable one as the backup first. Refused
    // (the error says why) where the rule forbids replacing what is there.
    JsonFile::WriteResult write(const QString& path, const QJsonDocument& document);

    // Where the last write kept the undecodable file, when it did.
    const std::optional<QString>& keptAs() const { return keptAs_; }

private:
    enum class State { free, backupFirst, untouchable };

    QString backupName_;
    QString path_; // the file the state is about
    State state_ = State::free;
    std::optional<QString> keptAs_;
};

} // namespace brisklet
