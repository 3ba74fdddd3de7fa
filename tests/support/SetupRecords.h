#pragma once

#include "setups/Setup.h"

#include <QDateTime>
#include <QStringList>
#include <QUuid>

#include <optional>
#include <vector>

namespace brisklet::test {

// A setup with a fresh id, made (and last changed) at `created`.
inline Setup setupNamed(const QString& name, const QDateTime& created,
                        std::optional<QDateTime> lastRun = std::nullopt, QStringList phrases = {}) {
    Setup setup;
    setup.id = QUuid::createUuid();
    setup.name = name;
    setup.phrases = std::move(phrases);
    setup.createdAt = created;
    setup.updatedAt = created;
    setup.lastRunAt = std::move(lastRun);
    return setup;
}

inline QStringList namesOf(const std::vector<Setup>& setups) {
    QStringList names;
    for (const auto& setup : setups)
        names << setup.name;
    return names;
}

} // namespace brisklet::test
