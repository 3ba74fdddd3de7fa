#pragma once

#include "platform/SecretStore.h"

namespace brisklet::platform {

// The Secret Service (GNOME Keyring, KWallet …) through libsecret. Items carry the
// attributes "service" = "Brisklet" and "account" = the account name.
class LibsecretStore final : public SecretStore {
public:
    std::optional<QString> get(const QString& account) override;
    bool set(const QString& account, const QString& value) override;
    bool clear(const QString& account) override;
};

} // namespace brisklet::platform
