#pragma once

#include <QString>
#include <optional>

namespace brisklet {

// Asks the user for a folder; the editor's "Add project…" goes through it.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder's path, or nothing when the user cancelled. Main thread;
    // may run a modal dialog.
    virtual std::optional<QString> chooseFolder(const QString& prompt, const QString& message) = 0;
};

} // namespace brisklet
