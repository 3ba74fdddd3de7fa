#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

namespace brisklet {

// Names of the notifications shared between parts of the program.
namespace Notifications {
inline constexpr const char* wake = "briskletWake";               // listening started
inline constexpr const char* peak = "briskletPeak";               // a clap-like peak was heard
inline constexpr const char* clapDemo = "briskletClapDemo";       // a double clap during the clap preview
inline constexpr const char* commandDone = "briskletCommandDone"; // user info: "success" (bool)
} // namespace Notifications

// The program-wide notification centre. Observers connect to `posted`, which is
// always emitted on the main thread; posting from another thread hops there first,
// keeping the order of posts from each thread.
class NotificationBus final : public QObject {
    Q_OBJECT
public:
    static NotificationBus& instance();

    void post(const QString& name, const QVariantMap& userInfo = {});

signals:
    void posted(const QString& name, const QVariantMap& userInfo);

private:
    NotificationBus() = default;
};

} // namespace brisklet
