#include "platform/linux/LibsecretStore.h"

#include "base/Log.h"

#include <QByteArray>
#include <QStringDecoder>
#include <mutex>
// glib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

namespace brisklet::platform {

namespace {

constexpr const char* kSchemaName = "org.brisklet.Secret";

// Items are written under our schema's name; they are found and removed by service
// and account alone, so a key another tool stored for us (under its own schema, or
// none) counts too.
const SecretSchema* schema(SecretSchemaFlags flags = SECRET_SCHEMA_NONE) {
    static const SecretSchema named = {kSchemaName,
                                       SECRET_SCHEMA_NONE,
                                       {
                                           {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                           {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                           {nullptr, SecretSchemaAttributeType(0)},
                                       },
                                       0,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr};
    static const SecretSchema anyName = [] {
        SecretSchema s = named;
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        return s;
    }();
    return flags == SECRET_SCHEMA_DONT_MATCH_NAME ? &anyName : &named;
}

bool ours(SecretItem* item) {
    GHashTable* attrs = secret_item_get_attributes(item);
    const auto* name = static_cast<const char*>(g_hash_table_lookup(attrs, "xdg:schema"));
    const bool same = name && qstrcmp(name, kSchemaName) == 0;
    g_hash_table_unref(attrs);
    return same;
}

GHashTable* attributes(const QByteArray& account) {
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(table, const_cast<char*>("service"), const_cast<char*>("Brisklet"));
    g_hash_table_insert(table, const_cast<char*>("account"), const_cast<char*>(account.constData()));
    return table;
}

// A desktop without a keyring answers every call with the same error: say it once.
void logError(const char* what, GError* error) {
    if (!error)
        return;
    static std::mutex mutex;
    static QString last;
    const QString text = QString::fromUtf8(what) + QLatin1Char(' ') + QString::fromUtf8(error->message);
    g_error_free(error);
    std::lock_guard lock(mutex);
    if (text == last)
        return;
    last = text;
    qCWarning(lcAsk).noquote() << text;
}

std::optional<QString> decode(SecretValue* value) {
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    const QByteArray data(bytes, qsizetype(length));
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(data);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QString> LibsecretStore::get(const QString& account) {
    const QByteArray name = account.toUtf8();
    GHashTable* attrs = attributes(name);
    GError* error = nullptr;
    // No SECRET_SEARCH_UNLOCK: a locked keyring reads as "nothing stored" rather than
    // asking the user for a password in the middle of a launch.
    GList* items = secret_service_search_sync(
        nullptr, schema(SECRET_SCHEMA_DONT_MATCH_NAME), attrs,
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr, &error);
    g_hash_table_unref(attrs);
    logError("keyring search failed:", error);
    // Our own item first: it holds what was last set here.
    std::optional<QString> found;
    std::optional<QString> foreign;
    for (GList* it = items; it && !found; it = it->next) {
        SecretItem* item = SECRET_ITEM(it->data);
        if (SecretValue* value = secret_item_get_secret(item)) {
            if (ours(item))
                found = decode(value);
            else if (!foreign)
                foreign = decode(value);
            secret_value_unref(value);
        }
    }
    g_list_free_full(items, g_object_unref);
    return found ? found : foreign;
}

bool LibsecretStore::set(const QString& account, const QString& value) {
    const QByteArray name = account.toUtf8();
    const QByteArray secret = value.toUtf8();
    const QByteArray label = "Brisklet " + name;
    GError* error = nullptr;
    // Stored over the item with the same attributes in one step, so a failure keeps
    // the value that was there.
    const gboolean ok = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.constData(),
                                                   secret.constData(), nullptr, &error, "service", "Brisklet",
                                                   "account", name.constData(), nullptr);
    logError("keyring store failed:", error);
    return ok;
}

bool LibsecretStore::clear(const QString& account) {
    const QByteArray name = account.toUtf8();
    GError* error = nullptr;
    secret_password_clear_sync(schema(SECRET_SCHEMA_DONT_MATCH_NAME), nullptr, &error, "service", "Brisklet",
                               "account", name.constData(), nullptr);
    if (error) {
        logError("keyring clear failed:", error);
        return false;
    }
    return true;
}

} // namespace brisklet::platform
