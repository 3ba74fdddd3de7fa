#pragma once

#include <QString>
#include <optional>

namespace brisklet::platform {

// Small secrets of Brisklet in the desktop keyring, one per account name, all under
// the service "Brisklet". Calls block briefly; they never show an unlock prompt, so
// they are safe on the launch path.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // The stored text; none when missing, locked, unreachable or not UTF-8.
    virtual std::optional<QString> get(const QString& account) = 0;
    // Replaces any stored value in one step: on failure the old value stays.
    virtual bool set(const QString& account, const QString& value) = 0;
    // Removes the value; a missing one counts as removed.
    virtual bool clear(const QString& account) = 0;
};

} // namespace brisklet::platform
