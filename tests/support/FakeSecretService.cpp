#include "support/FakeSecretService.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <atomic>

namespace brisklet::test {

namespace {

std::atomic<int> nextConnection{0};
const QString kRoot = QStringLiteral("/org/freedesktop/secrets");
const QString kCollection = QStringLiteral("/org/freedesktop/secrets/collection/login");
const QString kService = QStringLiteral("org.freedesktop.Secret.Service");
const QString kItem = QStringLiteral("org.freedesktop.Secret.Item");
const QString kCollectionIface = QStringLiteral("org.freedesktop.Secret.Collection");

// The Secret Service's secret: (session, parameters, value, content type).
struct Secret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

QDBusArgument& operator<<(QDBusArgument& arg, const Secret& s) {
    arg.beginStructure();
    arg << s.session << s.parameters << s.value << s.contentType;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Secret& s) {
    arg.beginStructure();
    arg >> s.session >> s.parameters >> s.value >> s.contentType;
    arg.endStructure();
    return arg;
}

using StringMap = QMap<QString, QString>;
using SecretMap = QMap<QDBusObjectPath, Secret>;

void registerTypes() {
    qDBusRegisterMetaType<Secret>();
    qDBusRegisterMetaType<StringMap>();
    qDBusRegisterMetaType<SecretMap>();
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
}

bool matches(const StringMap& have, const StringMap& wanted) {
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        if (have.value(it.key()) != it.value())
            return false;
    return true;
}

QDBusObjectPath noPrompt() {
    return QDBusObjectPath(QStringLiteral("/"));
}

} // namespace

} // namespace brisklet::test

Q_DECLARE_METATYPE(brisklet::test::Secret)

namespace brisklet::test {

FakeSecretService::FakeSecretService()
    : connectionName_(QStringLiteral("brisklet-secrets-%1").arg(nextConnection++)) {
    registerTypes();
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        problem_ = QStringLiteral("DBUS_SESSION_BUS_ADDRESS is not set — the test desktop is not running");
        return;
    }
    QDBusConnection conn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    if (!conn.registerVirtualObject(kRoot, this, QDBusConnection::SubPath))
        problem_ = QStringLiteral("couldn't register ") + kRoot;
    else if (!conn.registerService(QStringLiteral("org.freedesktop.secrets")))
        problem_ = QStringLiteral("couldn't own org.freedesktop.secrets: ") + conn.lastError().message();
    // Calls are answered on a thread of our own, so the test thread may block on them.
    thread_ = std::make_unique<QThread>();
    thread_->start();
    moveToThread(thread_.get());
}

FakeSecretService::~FakeSecretService() {
    QDBusConnection conn(connectionName_);
    if (conn.isConnected()) {
        conn.unregisterService(QStringLiteral("org.freedesktop.secrets"));
        conn.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
    }
    QDBusConnection::disconnectFromBus(connectionName_);
    if (thread_) {
        thread_->quit();
        thread_->wait();
    }
}

void FakeSecretService::setLocked(bool locked) {
    std::lock_guard lock(mutex_);
    locked_ = locked;
}

void FakeSecretService::setFailWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

void FakeSecretService::reset() {
    std::lock_guard lock(mutex_);
    items_.clear();
    locked_ = false;
    failWrites_ = false;
}

QMap<QString, FakeSecretService::Item> FakeSecretService::items() const {
    std::lock_guard lock(mutex_);
    return items_;
}

void FakeSecretService::addItem(const Item& item) {
    std::lock_guard lock(mutex_);
    items_.insert(kCollection + QStringLiteral("/i%1").arg(nextItem_++), item);
}

QString FakeSecretService::introspect(const QString&) const {
    return {};
}

bool FakeSecretService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    QDBusMessage reply;
    {
        std::lock_guard lock(mutex_);
        reply = answer(message);
    }
    connection.send(reply);
    return true;
}

QDBusMessage FakeSecretService::answer(const QDBusMessage& m) {
    const QString member = m.member();
    const QVariantList args = m.arguments();
    if (m.interface() == u"org.freedesktop.DBus.Properties")
        return properties(m);
    if (member == u"OpenSession") {
        if (args.value(0).toString() != u"plain")
            return m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
                                      QStringLiteral("plain sessions only"));
        const QDBusObjectPath session(kRoot + QStringLiteral("/session/s%1").arg(nextSession_++));
        return m.createReply({QVariant::fromValue(QDBusVariant(QString())), QVariant::fromValue(session)});
    }
    if (member == u"ReadAlias")
        return m.createReply(QVariant::fromValue(QDBusObjectPath(kCollection)));
    if (member == u"SearchItems")
        return searchItems(m);
    if (member == u"GetSecrets")
        return getSecrets(m);
    if (member == u"CreateItem")
        return createItem(m);
    if (member == u"Unlock")
        return m.createReply(
            {QVariant::fromValue(QList<QDBusObjectPath>()), QVariant::fromValue(noPrompt())});
    if (member == u"Delete" && m.interface() == kItem) {
        if (failWrites_)
            return m.createErrorReply(QStringLiteral("org.freedesktop.Secret.Error.IsLocked"),
                                      QStringLiteral("no"));
        items_.remove(m.path());
        return m.createReply(QVariant::fromValue(noPrompt()));
    }
    if (member == u"GetSecret" && m.interface() == kItem) {
        if (locked_ || !items_.contains(m.path()))
            return m.createErrorReply(QStringLiteral("org.freedesktop.Secret.Error.IsLocked"),
                                      QStringLiteral("locked"));
        const Secret s{args.value(0).value<QDBusObjectPath>(),
                       {},
                       items_.value(m.path()).secret,
                       QStringLiteral("text/plain")};
        return m.createReply(QVariant::fromValue(s));
    }
    return m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member);
}

QDBusMessage FakeSecretService::createItem(const QDBusMessage& m) {
    if (failWrites_)
        return m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                                  QStringLiteral("disk full"));
    QVariantMap props;
    m.arguments().value(0).value<QDBusArgument>() >> props;
    Secret secret;
    m.arguments().value(1).value<QDBusArgument>() >> secret;
    const bool replace = m.arguments().value(2).toBool();
    Item item;
    item.label = props.value(QStringLiteral("org.freedesktop.Secret.Item.Label")).toString();
    const QVariant attrs = props.value(QStringLiteral("org.freedesktop.Secret.Item.Attributes"));
    if (attrs.canConvert<QDBusArgument>())
        attrs.value<QDBusArgument>() >> item.attributes;
    item.secret = secret.value;
    QString path;
    for (auto it = items_.begin(); it != items_.end() && replace && path.isEmpty(); ++it)
        if (it.value().attributes == item.attributes)
            path = it.key();
    if (path.isEmpty())
        path = kCollection + QStringLiteral("/i%1").arg(nextItem_++);
    items_.insert(path, item);
    return m.createReply({QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(noPrompt())});
}

QDBusMessage FakeSecretService::searchItems(const QDBusMessage& m) {
    StringMap wanted;
    m.arguments().value(0).value<QDBusArgument>() >> wanted;
    QList<QDBusObjectPath> found;
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if (matches(it.value().attributes, wanted))
            found << QDBusObjectPath(it.key());
    const QList<QDBusObjectPath> none;
    if (m.path() != kRoot) // a collection answers with one list
        return m.createReply(QVariant::fromValue(found));
    return m.createReply(
        {QVariant::fromValue(locked_ ? none : found), QVariant::fromValue(locked_ ? found : none)});
}

QDBusMessage FakeSecretService::getSecrets(const QDBusMessage& m) {
    QList<QDBusObjectPath> paths;
    m.arguments().value(0).value<QDBusArgument>() >> paths;
    const QDBusObjectPath session = m.arguments().value(1).value<QDBusObjectPath>();
    SecretMap out;
    if (!locked_)
        for (const QDBusObjectPath& p : paths)
            if (items_.contains(p.path()))
                out.insert(p,
                           Secret{session, {}, items_.value(p.path()).secret, QStringLiteral("text/plain")});
    return m.createReply(QVariant::fromValue(out));
}

QDBusMessage FakeSecretService::properties(const QDBusMessage& m) {
    const QString iface = m.arguments().value(0).toString();
    QVariantMap all;
    if (iface == kService) {
        all.insert(QStringLiteral("Collections"),
                   QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(kCollection)}));
    } else if (iface == kCollectionIface) {
        QList<QDBusObjectPath> paths;
        for (const QString& p : items_.keys())
            paths << QDBusObjectPath(p);
        all.insert(QStringLiteral("Items"), QVariant::fromValue(paths));
        all.insert(QStringLiteral("Label"), QStringLiteral("Login"));
        all.insert(QStringLiteral("Locked"), locked_);
        all.insert(QStringLiteral("Created"), QVariant::fromValue(quint64(0)));
        all.insert(QStringLiteral("Modified"), QVariant::fromValue(quint64(0)));
    } else if (iface == kItem) {
        const Item item = items_.value(m.path());
        all.insert(QStringLiteral("Attributes"), QVariant::fromValue(item.attributes));
        all.insert(QStringLiteral("Label"), item.label);
        all.insert(QStringLiteral("Locked"), locked_);
        all.insert(QStringLiteral("Created"), QVariant::fromValue(quint64(0)));
        all.insert(QStringLiteral("Modified"), QVariant::fromValue(quint64(0)));
    }
    if (m.member() == u"GetAll")
        return m.createReply(all);
    const QString name = m.arguments().value(1).toString();
    if (!all.contains(name))
        return m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"), name);
    return m.createReply(QVariant::fromValue(QDBusVariant(all.value(name))));
}

} // namespace brisklet::test
