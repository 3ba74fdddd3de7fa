#include "support/FakeDBusService.h"

#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <atomic>

namespace brisklet::test {

namespace {
std::atomic<int> nextConnection{0};
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
} // namespace

FakeDBusService::FakeDBusService(Bus bus, const QString& serviceName, const QString& path)
    : connectionName_(QStringLiteral("brisklet-fake-%1").arg(nextConnection++)), serviceName_(serviceName),
      path_(path) {
    // Calls reach the object on its own thread, which must not be the (blocked) test thread.
    thread_ = std::make_unique<QThread>();
    thread_->start();
    moveToThread(thread_.get());
    const bool system = bus == Bus::system;
    const char* variable = system ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS";
    if (qEnvironmentVariableIsEmpty(variable)) {
        problem_ =
            QStringLiteral("%1 is not set — the test desktop is not running").arg(QLatin1String(variable));
        return;
    }
    QDBusConnection conn = QDBusConnection::connectToBus(
        system ? QDBusConnection::SystemBus : QDBusConnection::SessionBus, connectionName_);
    if (!conn.isConnected()) {
        problem_ = QStringLiteral("no connection to the bus: ") + conn.lastError().message();
        return;
    }
    if (!conn.registerVirtualObject(path_, this, QDBusConnection::SingleNode)) {
        problem_ = QStringLiteral("couldn't register the object at ") + path_;
        return;
    }
    if (!conn.registerService(serviceName_))
        problem_ =
            QStringLiteral("couldn't own the name ") + serviceName_ + ": " + conn.lastError().message();
}

FakeDBusService::~FakeDBusService() {
    QDBusConnection conn(connectionName_);
    if (conn.isConnected()) {
        conn.unregisterService(serviceName_);
        conn.unregisterObject(path_);
    }
    QDBusConnection::disconnectFromBus(connectionName_);
    thread_->quit();
    thread_->wait();
}

void FakeDBusService::on(const QString& interface, const QString& member, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[interface + QLatin1Char('.') + member] = std::move(handler);
}

void FakeDBusService::setProperty(const QString& interface, const QString& name, const QVariant& value) {
    std::lock_guard lock(mutex_);
    properties_[interface][name] = value;
}

QVariant FakeDBusService::property(const QString& interface, const QString& name) const {
    std::lock_guard lock(mutex_);
    return properties_.value(interface).value(name);
}

void FakeDBusService::setDenyAll(bool deny) {
    std::lock_guard lock(mutex_);
    denyAll_ = deny;
}

void FakeDBusService::setSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

std::vector<FakeDBusService::Call> FakeDBusService::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

QStringList FakeDBusService::methodCalls() const {
    QStringList names;
    for (const Call& c : calls()) {
        if (c.interface != propertiesInterface)
            names << c.member;
    }
    return names;
}

QString FakeDBusService::introspect(const QString&) const {
    return {};
}

bool FakeDBusService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    Handler handler;
    QDBusMessage reply;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back({message.interface(), message.member(), message.arguments()});
        if (silent_)
            return true;
        if (denyAll_) {
            reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                             QStringLiteral("not allowed"));
        } else if (message.interface() == propertiesInterface && message.member() == QLatin1String("Get")) {
            const auto args = message.arguments();
            const QVariantMap table = properties_.value(args.value(0).toString());
            const QString name = args.value(1).toString();
            if (table.contains(name))
                reply = message.createReply(QVariant::fromValue(QDBusVariant(table.value(name))));
            else
                reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                                                 QStringLiteral("no such property"));
        } else if (message.interface() == propertiesInterface &&
                   message.member() == QLatin1String("GetAll")) {
            reply = message.createReply(properties_.value(message.arguments().value(0).toString()));
        } else {
            handler = handlers_.value(message.interface() + QLatin1Char('.') + message.member());
            if (!handler)
                reply = message.createReply();
        }
    }
    if (handler)
        reply = handler(message);
    connection.send(reply);
    return true;
}

} // namespace brisklet::test
