#include "support/FakeTrayHost.h"

#include "support/WaitFor.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDateTime>

namespace brisklet::test {

namespace {

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");

// What a toolkit reads before it trusts the watcher's properties.
const char* watcherXml = R"(<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface>)";

FakeTrayHost::MenuNode parseNode(const QDBusArgument& arg) {
    FakeTrayHost::MenuNode node;
    arg.beginStructure();
    arg >> node.id >> node.properties;
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        node.children << parseNode(qvariant_cast<QDBusArgument>(child.variant()));
    }
    arg.endArray();
    arg.endStructure();
    return node;
}

} // namespace

const FakeTrayHost::MenuNode* FakeTrayHost::MenuNode::find(const QString& wanted) const {
    if (label() == wanted)
        return this;
    for (const MenuNode& child : children)
        if (const MenuNode* found = child.find(wanted))
            return found;
    return nullptr;
}

FakeTrayHost::FakeTrayHost()
    : watcher_(std::make_unique<FakeDBusService>(FakeDBusService::Bus::session, watcherName,
                                                 QStringLiteral("/StatusNotifierWatcher"))) {
    watcher_->setProperty(watcherName, QStringLiteral("IsStatusNotifierHostRegistered"), true);
    watcher_->setProperty(watcherName, QStringLiteral("ProtocolVersion"), 0);
    watcher_->setProperty(watcherName, QStringLiteral("RegisteredStatusNotifierItems"), QStringList());
    watcher_->on(QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"),
                 [](const QDBusMessage& m) {
                     return m.createReply(
                         QStringLiteral("<node>%1</node>").arg(QString::fromLatin1(watcherXml)));
                 });
}

QStringList FakeTrayHost::items() const {
    QStringList out;
    for (const auto& c : watcher_->calls())
        if (c.member == QLatin1String("RegisterStatusNotifierItem"))
            out << c.arguments.value(0).toString();
    return out;
}

std::optional<QDBusMessage> FakeTrayHost::call(const QString& service, const QString& path,
                                               const QString& interface, const QString& member,
                                               const QVariantList& arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, member);
    message.setArguments(arguments);
    // The item lives in this process: wait with the event loop running.
    QDBusPendingCallWatcher pending(QDBusConnection::sessionBus().asyncCall(message));
    if (!waitFor([&] { return pending.isFinished(); }))
        return std::nullopt;
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply;
}

std::optional<QVariant> FakeTrayHost::itemProperty(const QString& item, const QString& name) const {
    const auto reply =
        call(item, QStringLiteral("/StatusNotifierItem"), QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {itemInterface, name});
    if (!reply || reply->arguments().isEmpty())
        return std::nullopt;
    return qvariant_cast<QDBusVariant>(reply->arguments().first()).variant();
}

std::optional<FakeTrayHost::MenuNode> FakeTrayHost::openMenu(const QString& item) const {
    const auto path = itemProperty(item, QStringLiteral("Menu"));
    if (!path)
        return std::nullopt;
    const QString menuPath = qvariant_cast<QDBusObjectPath>(*path).path();
    if (!call(item, menuPath, menuInterface, QStringLiteral("AboutToShow"), {0}))
        return std::nullopt;
    const auto layout =
        call(item, menuPath, menuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    if (!layout || layout->arguments().size() < 2)
        return std::nullopt;
    return parseNode(qvariant_cast<QDBusArgument>(layout->arguments().at(1)));
}

bool FakeTrayHost::click(const QString& item, int id) const {
    const auto path = itemProperty(item, QStringLiteral("Menu"));
    if (!path)
        return false;
    const QString menuPath = qvariant_cast<QDBusObjectPath>(*path).path();
    return call(item, menuPath, menuInterface, QStringLiteral("Event"),
                {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())),
                 uint(QDateTime::currentSecsSinceEpoch())})
        .has_value();
}

bool FakeTrayHost::activate(const QString& item, QPoint at) const {
    return call(item, QStringLiteral("/StatusNotifierItem"), itemInterface, QStringLiteral("Activate"),
                {at.x(), at.y()})
        .has_value();
}

} // namespace brisklet::test
