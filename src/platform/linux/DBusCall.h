#pragma once

#include "platform/ScriptOutcome.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>
#include <optional>

namespace brisklet::platform::DBusCall {

// The outcome of a D-Bus reply: ok with its first string argument, denied for the
// "not allowed" family of errors, failed with the error's message otherwise.
ScriptOutcome outcomeOf(const QDBusMessage& reply);

// A blocking call with an explicit time limit. Never on the main thread.
QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs);

// An org.freedesktop.DBus.Properties.Get message that never starts a service.
QDBusMessage propertyGet(const QString& service, const QString& path, const QString& interface,
                         const QString& name);
// The value a Get reply carries, unwrapped; nothing on an error or an empty reply.
std::optional<QVariant> propertyValue(const QDBusMessage& reply);

// org.freedesktop.DBus.Properties.Get, unwrapped; nothing on any error. Never
// starts a service.
std::optional<QVariant> property(const QDBusConnection& bus, const QString& service, const QString& path,
                                 const QString& interface, const QString& name, int timeoutMs);

} // namespace brisklet::platform::DBusCall
