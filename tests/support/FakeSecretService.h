#pragma once

#include <QByteArray>
#include <QDBusVirtualObject>
#include <QMap>
#include <QString>
#include <QThread>
#include <memory>
#include <mutex>

namespace brisklet::test {

// A keyring on the test desktop's private session bus: the Secret Service's
// methods that storing, finding, reading and deleting a password use, with plain
// (unencrypted) sessions and one collection, "login", that is also the default.
// Served on a thread of its own, so the test may block on a call.
class FakeSecretService final : public QDBusVirtualObject {
public:
    struct Item {
        QMap<QString, QString> attributes;
        QString label;
        QByteArray secret;
    };

    FakeSecretService();
    ~FakeSecretService() override;

    // Empty when the service is on the bus; else why not.
    QString problem() const { return problem_; }

    // A locked collection lists its items as locked and hands out no secrets.
    void setLocked(bool locked);
    // CreateItem fails (a full disk, a refused write).
    void setFailWrites(bool fail);
    // Forgets every item and unlocks; libsecret keeps its connection to the first
    // service it met, so one service serves a whole test program.
    void reset();
    // The stored items by object path.
    QMap<QString, Item> items() const;
    // Stores an item as another program would, with its own attributes: a schema
    // name is the attribute "xdg:schema", matched like any other, and may be absent.
    void addItem(const Item& item);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage answer(const QDBusMessage& message);
    QDBusMessage createItem(const QDBusMessage& message);
    QDBusMessage searchItems(const QDBusMessage& message);
    QDBusMessage getSecrets(const QDBusMessage& message);
    QDBusMessage properties(const QDBusMessage& message);

    std::unique_ptr<QThread> thread_;
    QString connectionName_;
    QString problem_;
    mutable std::mutex mutex_;
    QMap<QString, Item> items_;
    int nextItem_ = 1;
    int nextSession_ = 1;
    bool locked_ = false;
    bool failWrites_ = false;
};

} // namespace brisklet::test
