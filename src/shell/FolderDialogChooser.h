#pragma once

#include "ui/setups/FolderChooser.h"

namespace brisklet {

// The desktop's folder dialog, run modally.
class FolderDialogChooser final : public FolderChooser {
public:
    std::optional<QString> chooseFolder(const QString& prompt, const QString& message) override;
};

} // namespace brisklet
