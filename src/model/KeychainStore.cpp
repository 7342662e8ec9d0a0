// GLib first: its headers use the word that Qt defines as a keyword macro.
#include <libsecret/secret.h>

#include "model/KeychainStore.h"

namespace quelso::KeychainStore {

namespace {

constexpr const char* kService = "com.quelso.app";

// Items are found by their two attributes alone, so `secret-tool lookup service
// com.quelso.app account <account>` reads the same item.
const SecretSchema* schema() {
    static const SecretSchema s = [] {
        SecretSchema schema{};
        schema.name = "com.quelso.app.Key";
        schema.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return schema;
    }();
    return &s;
}

} // namespace

void set(const QString& value, const QString& account) {
    const QByteArray accountUtf8 = account.toUtf8();
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "service", kService, "account", accountUtf8.constData(),
                               nullptr);
    g_clear_error(&error);
    if (value.isEmpty()) return;
    const QByteArray valueUtf8 = value.toUtf8();
    secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, kService, valueUtf8.constData(), nullptr, &error,
                               "service", kService, "account", accountUtf8.constData(), nullptr);
    g_clear_error(&error);
}

QString get(const QString& account) {
    const QByteArray accountUtf8 = account.toUtf8();
    GError* error = nullptr;
    gchar* found = secret_password_lookup_sync(schema(), nullptr, &error, "service", kService, "account",
                                               accountUtf8.constData(), nullptr);
    g_clear_error(&error);
    if (!found) return {};
    QString text;
    // A value that is not UTF-8 counts as no key.
    if (g_utf8_validate(found, -1, nullptr)) text = QString::fromUtf8(found);
    secret_password_free(found);
    return text;
}

} // namespace quelso::KeychainStore
