// glib's headers name struct members "signals"; the program builds with QT_NO_KEYWORDS, but the
// macros are dropped here too in case a Qt header brought them in before.
#undef signals
#undef slots
#include <libsecret/secret.h>

#include "platform/Keyring.h"

#include "platform/Error.h"

#include <QByteArray>
#include <QFileInfo>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace platform::keyring {
namespace {

constexpr int KeyringFailed = 3051;
// A bus that does not answer a question about names within this is taken for none.
constexpr int BusTimeoutMs = 500;
const char* const ServiceName = "org.freedesktop.secrets";

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;
struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GVariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, GVariantUnref>;
// The password libsecret hands back, wiped when it goes.
struct PasswordFree {
    void operator()(gchar* password) const { secret_password_free(password); }
};

const SecretSchema& schema() {
    static const SecretSchema journalKey = [] {
        SecretSchema s{};
        s.name = "org.velmora.diary.JournalKey";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"file-id", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return journalKey;
}

QByteArray hex(const cipher::FileId& id) {
    return QByteArray(reinterpret_cast<const char*>(id.data()), qsizetype(id.size())).toHex();
}

// One question to the bus daemon; null when it does not answer in time.
VariantPtr askBus(GDBusConnection* bus, const char* method, GVariant* parameters,
                  const char* replyType) {
    GError* raw = nullptr;
    VariantPtr reply(g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, BusTimeoutMs, nullptr,
        &raw));
    const ErrorPtr error(raw);
    return reply;
}

bool listed(GVariant* reply) {
    const VariantPtr names(g_variant_get_child_value(reply, 0));
    gsize count = 0;
    const std::unique_ptr<const gchar*, decltype(&g_free)> list(
        g_variant_get_strv(names.get(), &count), &g_free);
    return std::any_of(list.get(), list.get() + count,
                       [](const gchar* name) { return g_strcmp0(name, ServiceName) == 0; });
}

[[noreturn]] void fail(const QString& what, const GError* error) {
    QString description = what;
    if (error != nullptr)
        description += u' ' + QString::fromUtf8(error->message);
    throw Error(KeyringFailed, description);
}

} // namespace

std::optional<QString> unavailable() {
    // Without an address GDBus would try to start a bus of its own, which can hang.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(QString::fromLocal8Bit(runtime + "/bus"))))
        return QStringLiteral("デスクトップのセッションがありません。");
    GError* raw = nullptr;
    const std::unique_ptr<GDBusConnection, GObjectUnref> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
    const ErrorPtr error(raw);
    if (!bus)
        return QStringLiteral("デスクトップのセッションに接続できません。");
    // The connection is shared with libsecret: a session bus that goes away must not end the
    // program, as GDBus does by default.
    g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
    // A service running now, or one the bus starts when asked (as GNOME Keyring is).
    const VariantPtr owner =
        askBus(bus.get(), "NameHasOwner", g_variant_new("(s)", ServiceName), "(b)");
    if (!owner)
        return QStringLiteral("デスクトップのセッションが応答しません。");
    gboolean owned = FALSE;
    g_variant_get(owner.get(), "(b)", &owned);
    if (owned)
        return std::nullopt;
    const VariantPtr activatable = askBus(bus.get(), "ListActivatableNames", nullptr, "(as)");
    if (activatable && listed(activatable.get()))
        return std::nullopt;
    return QStringLiteral("キーリングのサービスが見つかりません。");
}

std::optional<cipher::Key> lookupKey(const cipher::FileId& id) {
    if (unavailable())
        return std::nullopt;
    GError* raw = nullptr;
    const std::unique_ptr<gchar, PasswordFree> stored(secret_password_lookup_sync(
        &schema(), nullptr, &raw, "file-id", hex(id).constData(), nullptr));
    const ErrorPtr error(raw);
    if (!stored)
        return std::nullopt;
    // Decoded straight into guarded memory; anything but a whole key does not fit.
    cipher::Key key;
    std::size_t length = 0;
    if (sodium_base642bin(key.data(), cipher::Key::Size, stored.get(), std::strlen(stored.get()),
                          nullptr, &length, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length != cipher::Key::Size)
        return std::nullopt;
    return key;
}

void storeKey(const cipher::FileId& id, const cipher::Key& key) {
    const QString what = QStringLiteral("日記の鍵をキーリングに記憶できませんでした。");
    if (const auto reason = unavailable())
        fail(what + *reason, nullptr);
    std::array<char, sodium_base64_ENCODED_LEN(cipher::Key::Size, sodium_base64_VARIANT_ORIGINAL)>
        encoded{};
    sodium_bin2base64(encoded.data(), encoded.size(), key.data(), cipher::Key::Size,
                      sodium_base64_VARIANT_ORIGINAL);
    const QByteArray label = "Velmora絵日記 日記の鍵 " + hex(id);
    GError* raw = nullptr;
    const gboolean stored = secret_password_store_sync(
        &schema(), SECRET_COLLECTION_DEFAULT, label.constData(), encoded.data(), nullptr, &raw,
        "file-id", hex(id).constData(), nullptr);
    sodium_memzero(encoded.data(), encoded.size());
    const ErrorPtr error(raw);
    if (!stored)
        fail(what, error.get());
}

void removeKey(const cipher::FileId& id) {
    if (unavailable())
        return;
    GError* raw = nullptr;
    secret_password_clear_sync(&schema(), nullptr, &raw, "file-id", hex(id).constData(), nullptr);
    const ErrorPtr error(raw);
    if (error)
        fail(QStringLiteral("日記の鍵をキーリングから消せませんでした。"), error.get());
}

} // namespace platform::keyring
