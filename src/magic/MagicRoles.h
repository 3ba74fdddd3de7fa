#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet::MagicRoles {

// The desktop IDs that can fill a role ("editor", "terminal" …), most preferred
// first. The word is lower-cased and must equal a role word exactly. An empty list
// is the browser role (the default browser); none: not a role.
std::optional<QStringList> candidates(const QString& role);

} // namespace brisklet::MagicRoles
