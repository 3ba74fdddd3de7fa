#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <QString>
#include <QThread>
#include <QVariant>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace brisklet::test {

// A service of our own on the test desktop's private session bus (or the second
// bus that stands in for the system bus), on a connection of its own so that calls
// really travel over the bus. It answers every method with an empty reply unless a
// handler says otherwise, serves Properties.Get/GetAll from a table, and records
// every call. Calls are answered on a thread of its own, so a test may block on them.
class FakeDBusService final : public QDBusVirtualObject {
public:
    enum class Bus { session, system };
    struct Call {
        QString interface;
        QString member;
        QVariantList arguments;
    };
    // Returns the reply to send (message.createReply(…) or createErrorReply(…)).
    using Handler = std::function<QDBusMessage(const QDBusMessage& message)>;

    FakeDBusService(Bus bus, const QString& serviceName, const QString& path);
    ~FakeDBusService() override;

    // Empty when the service is on the bus; else why not.
    QString problem() const { return problem_; }

    void on(const QString& interface, const QString& member, Handler handler);
    void setProperty(const QString& interface, const QString& name, const QVariant& value);
    QVariant property(const QString& interface, const QString& name) const;
    // Answer every call with org.freedesktop.DBus.Error.AccessDenied.
    void setDenyAll(bool deny);
    // Record every call and answer none, as a hung program would.
    void setSilent(bool silent);

    std::vector<Call> calls() const;
    // "Member" names of the calls other than property reads, in order.
    QStringList methodCalls() const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    std::unique_ptr<QThread> thread_;
    QString connectionName_;
    QString serviceName_;
    QString path_;
    QString problem_;
    mutable std::mutex mutex_;
    QMap<QString, Handler> handlers_;
    QMap<QString, QVariantMap> properties_;
    std::vector<Call> calls_;
    bool denyAll_ = false;
    bool silent_ = false;
};

} // namespace brisklet::test
