#pragma once

#include "support/FileFaults.h"

#include <QFile>
#include <QString>
#include <optional>
#include <string>

namespace brisklet::test {

// What keeps a save out of a folder: a full disk, or a folder that takes no writes.
enum class FolderFault { fullDisk, readOnlyFolder };

inline std::string faultName(FolderFault fault) {
    return fault == FolderFault::fullDisk ? "fullDisk" : "readOnlyFolder";
}

// Puts `fault` on `folder` while it lives. A full disk is a file size limit of 0 for
// the whole process; a folder that takes no writes binds its permissions for the
// calling thread, root included. Save from the thread that made it.
class FolderWriteFault final {
public:
    FolderWriteFault(QString folder, FolderFault fault) : folder_(std::move(folder)) {
        if (fault == FolderFault::fullDisk) {
            limit_.emplace(0);
            return;
        }
        bind_.emplace();
        QFile::setPermissions(folder_, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    ~FolderWriteFault() {
        if (bind_)
            QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    FolderWriteFault(const FolderWriteFault&) = delete;
    FolderWriteFault& operator=(const FolderWriteFault&) = delete;

    // Whether the fault took hold: no byte of a new file gets into the folder.
    bool holds() const {
        QFile beside(folder_ + QStringLiteral("/.fault-probe"));
        const bool written = beside.open(QIODevice::WriteOnly) && beside.write("x", 1) == 1 && beside.flush();
        beside.remove();
        return !written;
    }

private:
    const QString folder_;
    std::optional<FileSizeLimit> limit_;
    std::optional<PermissionsBind> bind_;
};

} // namespace brisklet::test
