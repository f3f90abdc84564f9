#include "services/secret_service_keychain.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <libsecret/secret.h>

namespace {

const SecretSchema* schema()
{
    static const SecretSchema networkPassword = {SecretServiceKeychain::schemaName, SECRET_SCHEMA_NONE,
        {
            {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"path", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &networkPassword;
}

GHashTable* newAttributes()
{
    return g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
}

void put(GHashTable* attributes, const char* name, const QString& value)
{
    g_hash_table_insert(attributes, g_strdup(name), g_strdup(value.toUtf8().constData()));
}

// Only the look-up key: port and path never decide which item a share uses.
GHashTable* lookupKey(const KeychainItem& item)
{
    GHashTable* attributes = newAttributes();
    put(attributes, "server", item.server);
    put(attributes, "account", item.account);
    put(attributes, "protocol", item.protocol);
    return attributes;
}

template <typename Result>
void answerLater(std::function<void(Result)> done, Result value)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [done = std::move(done), value] { done(value); }, Qt::QueuedConnection);
}

struct LookupCall {
    std::function<void(std::optional<QString>)> done;
};

void lookedUp(GObject*, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<LookupCall*>(data);
    GError* error = nullptr;
    gchar* secret = secret_password_lookup_finish(result, &error);
    g_clear_error(&error);
    std::optional<QString> password;
    if (secret != nullptr) {
        password = QString::fromUtf8(secret);
        secret_password_free(secret);
    }
    auto done = std::move(call->done);
    delete call;
    done(std::move(password));
}

struct ExistsCall {
    std::function<void(bool)> done;
};

void searched(GObject*, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<ExistsCall*>(data);
    GError* error = nullptr;
    GList* found = secret_password_search_finish(result, &error);
    // A locked store still lists its items; only their secrets stay closed.
    bool exists = found != nullptr;
    g_list_free_full(found, g_object_unref);
    g_clear_error(&error);
    auto done = std::move(call->done);
    delete call;
    done(exists);
}

struct SaveCall {
    KeychainItem item;
    QByteArray password;
    std::function<void(bool)> done;
};

void stored(GObject*, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<SaveCall*>(data);
    GError* error = nullptr;
    bool ok = secret_password_store_finish(result, &error);
    g_clear_error(&error);
    auto done = std::move(call->done);
    delete call;
    done(ok);
}

void store(SaveCall* call, GHashTable* attributes)
{
    secret_password_storev(schema(), attributes, SECRET_COLLECTION_DEFAULT, call->item.label.toUtf8().constData(),
        call->password.constData(), nullptr, stored, call);
    g_hash_table_unref(attributes);
}

// An existing item keeps its own attributes (its path included); only its secret changes.
void searchedForSave(GObject*, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<SaveCall*>(data);
    GError* error = nullptr;
    GList* found = secret_password_search_finish(result, &error);
    g_clear_error(&error);
    GHashTable* attributes = lookupKey(call->item);
    if (found != nullptr) {
        GHashTable* existing = secret_retrievable_get_attributes(SECRET_RETRIEVABLE(found->data));
        if (const auto* path = static_cast<const char*>(g_hash_table_lookup(existing, "path")))
            g_hash_table_insert(attributes, g_strdup("path"), g_strdup(path));
        g_hash_table_unref(existing);
    } else if (call->item.path) {
        put(attributes, "path", *call->item.path);
    }
    g_list_free_full(found, g_object_unref);
    store(call, attributes);
}

} // namespace

void SecretServiceKeychain::password(const ShareSpec& spec, std::function<void(std::optional<QString>)> done)
{
    std::optional<KeychainItem> item = KeychainItem::forSpec(spec);
    if (!item) {
        answerLater<std::optional<QString>>(std::move(done), std::nullopt);
        return;
    }
    GHashTable* attributes = lookupKey(*item);
    secret_password_lookupv(schema(), attributes, nullptr, lookedUp, new LookupCall{std::move(done)});
    g_hash_table_unref(attributes);
}

void SecretServiceKeychain::hasPassword(const ShareSpec& spec, std::function<void(bool)> done)
{
    std::optional<KeychainItem> item = KeychainItem::forSpec(spec);
    if (!item) {
        answerLater(std::move(done), false);
        return;
    }
    GHashTable* attributes = lookupKey(*item);
    secret_password_searchv(schema(), attributes, SECRET_SEARCH_NONE, nullptr, searched, new ExistsCall{std::move(done)});
    g_hash_table_unref(attributes);
}

void SecretServiceKeychain::save(const QString& password, const ShareSpec& spec, std::function<void(bool)> done)
{
    std::optional<KeychainItem> item = KeychainItem::forSpec(spec);
    if (!item) {
        answerLater(std::move(done), false);
        return;
    }
    auto* call = new SaveCall{*item, password.toUtf8(), std::move(done)};
    GHashTable* attributes = lookupKey(*item);
    secret_password_searchv(schema(), attributes, SECRET_SEARCH_NONE, nullptr, searchedForSave, call);
    g_hash_table_unref(attributes);
}
