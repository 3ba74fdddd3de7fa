#pragma once

#include "support/FakeDBusService.h"

#include <QDBusArgument>
#include <QList>
#include <QPoint>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace brisklet::test {

// A tray on the test desktop's session bus: a status-notifier watcher with a host,
// which tray icons register with, and a client for what they export — the item's
// properties and its menu over the dbusmenu interface. Start it before the
// program's first tray icon: the toolkit looks for a tray only once.
class FakeTrayHost final {
public:
    struct MenuNode {
        int id = 0;
        QVariantMap properties;
        QList<MenuNode> children;
        QString label() const { return properties.value(QStringLiteral("label")).toString(); }
        bool visible() const { return properties.value(QStringLiteral("visible"), true).toBool(); }
        // The first node under this one (or this one) with `label`.
        const MenuNode* find(const QString& label) const;
    };

    FakeTrayHost();
    // Empty when the watcher is on the bus; else why not.
    QString problem() const { return watcher_->problem(); }

    // Bus names of the items that registered, in order.
    QStringList items() const;
    // A property of the item's org.kde.StatusNotifierItem interface.
    std::optional<QVariant> itemProperty(const QString& item, const QString& name) const;
    // The menu as the item exports it, after telling it that it is about to open.
    std::optional<MenuNode> openMenu(const QString& item) const;
    // Click the entry `id` of the item's menu.
    bool click(const QString& item, int id) const;
    // A left click on the icon itself, at `at` on the screen.
    bool activate(const QString& item, QPoint at) const;

private:
    std::optional<QDBusMessage> call(const QString& service, const QString& path, const QString& interface,
                                     const QString& member, const QVariantList& arguments) const;
    std::unique_ptr<FakeDBusService> watcher_;
};

} // namespace brisklet::test
