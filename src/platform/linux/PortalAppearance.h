#pragma once

#include "platform/DesktopAppearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

#include <atomic>
#include <map>

namespace brisklet::platform {

// Reads the desktop portal's settings on the session bus and follows their
// changes: `org.freedesktop.appearance` `color-scheme` (1 = prefer dark) and
// GNOME's `enable-animations` (false = reduce motion). Without a portal both stay
// false and the app looks light and moves. The two values may be read from any
// thread; changes arrive on the thread that made it.
class PortalAppearance final : public QObject, public DesktopAppearance {
    Q_OBJECT
public:
    explicit PortalAppearance(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    bool prefersDark() const override { return dark_.load(); }
    bool reducesMotion() const override { return reduceMotion_.load(); }
    Token addChangeHandler(std::function<void()> handler) override;
    void removeChangeHandler(Token token) override;

    // Unwraps the variants the portal nests its values in.
    static QVariant unwrap(const QVariant& value);

private slots:
    // (namespace, key, value) of org.freedesktop.portal.Settings.SettingChanged
    void settingChanged(const QDBusMessage& message);

private:
    void read(const QString& nameSpace, const QString& key);
    void apply(const QString& nameSpace, const QString& key, const QVariant& value);
    void notify();

    QDBusConnection bus_;
    std::atomic<bool> dark_{false};
    std::atomic<bool> reduceMotion_{false};
    Token next_ = 0;
    std::map<Token, std::function<void()>> handlers_;
};

} // namespace brisklet::platform
