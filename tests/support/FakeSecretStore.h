#pragma once

#include "platform/SecretStore.h"

#include <QMap>

namespace brisklet::test {

// A keyring in memory. `failWrites` makes set and clear fail and change nothing.
struct FakeSecretStore final : platform::SecretStore {
    QMap<QString, QString> items;
    bool failWrites = false;
    int reads = 0;
    int writes = 0;

    std::optional<QString> get(const QString& account) override {
        ++reads;
        if (!items.contains(account))
            return std::nullopt;
        return items.value(account);
    }
    bool set(const QString& account, const QString& value) override {
        ++writes;
        if (failWrites)
            return false;
        items.insert(account, value);
        return true;
    }
    bool clear(const QString& account) override {
        if (failWrites)
            return false;
        items.remove(account);
        return true;
    }
};

} // namespace brisklet::test
