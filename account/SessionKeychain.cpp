#include "account/SessionKeychain.h"

#include <QLoggingCategory>

#include <libsecret/secret.h>

#include <functional>

namespace tavrik::SessionKeychain {
namespace {

Q_LOGGING_CATEGORY(lcKeychain, "tavrik.account.keychain", QtWarningMsg)

// Items are matched by the service attribute alone, whatever schema name wrote them.
const SecretSchema& schema() {
    static const SecretSchema s = {
        "dev.tavrik.Session",
        SECRET_SCHEMA_DONT_MATCH_NAME,
        {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return s;
}

// The state of one asynchronous call. It lives on the heap and is freed by whichever of the
// waiter and the callback finishes last, so a callback that arrives after the waiter gave up
// never touches freed memory.
struct Call {
    std::function<void(GAsyncResult*, Call&)> finish;
    bool done = false;
    bool ok = false;
    gchar* password = nullptr;
    GError* error = nullptr;
    int refs = 2;

    void release() {
        if (--refs == 0) {
            if (password) {
                secret_password_free(password);
            }
            g_clear_error(&error);
            delete this;
        }
    }
};

void onReady(GObject*, GAsyncResult* result, gpointer data) {
    auto* call = static_cast<Call*>(data);
    call->finish(result, *call);
    call->done = true;
    call->release();
}

gboolean cancelCall(gpointer cancellable) {
    g_cancellable_cancel(G_CANCELLABLE(cancellable));
    return G_SOURCE_REMOVE;
}

gboolean giveUp(gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

// Runs one asynchronous libsecret call on a private main context (never the application's)
// and waits at most keychainTimeoutMs for it; at the deadline the call is cancelled. A call
// that does not end even after its cancellation is abandoned as failed a little later.
// start must begin the call with onReady as its callback and the Call as its user data.
Call* runBounded(const std::function<void(GCancellable*, Call*)>& start,
                 std::function<void(GAsyncResult*, Call&)> finish) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GCancellable* cancellable = g_cancellable_new();
    auto* call = new Call;
    call->finish = std::move(finish);
    start(cancellable, call);

    bool abandoned = false;
    GSource* deadline = g_timeout_source_new(keychainTimeoutMs);
    g_source_set_callback(deadline, cancelCall, cancellable, nullptr);
    g_source_attach(deadline, context);
    GSource* last = g_timeout_source_new(keychainTimeoutMs + keychainTimeoutMs / 2);
    g_source_set_callback(last, giveUp, &abandoned, nullptr);
    g_source_attach(last, context);

    while (!call->done && !abandoned) {
        g_main_context_iteration(context, TRUE);
    }
    for (GSource* source : {deadline, last}) {
        g_source_destroy(source);
        g_source_unref(source);
    }
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    g_object_unref(cancellable);
    if (!call->done) {
        qCDebug(lcKeychain) << "keyring call abandoned";
    }
    return call;
}

void logFailure(const char* what, const Call& call) {
    if (call.error) {
        qCDebug(lcKeychain) << what << "failed:" << call.error->message;
    }
}

// Deletes every item of the service; returns false when the keyring could not be asked.
bool clearAll() {
    Call* call = runBounded(
        [](GCancellable* c, Call* data) {
            secret_password_clear(&schema(), c, onReady, data, "service", serviceName, nullptr);
        },
        [](GAsyncResult* result, Call& out) {
            secret_password_clear_finish(result, &out.error);
            out.ok = out.error == nullptr;  // "nothing to delete" is not an error
        });
    const bool ok = call->done && call->ok;
    logFailure("delete", *call);
    call->release();
    return ok;
}

}  // namespace

std::optional<AuthSession> load() {
    Call* call = runBounded(
        [](GCancellable* c, Call* data) {
            secret_password_lookup(&schema(), c, onReady, data, "service", serviceName, nullptr);
        },
        [](GAsyncResult* result, Call& out) {
            out.password = secret_password_lookup_finish(result, &out.error);
            out.ok = out.password != nullptr;
        });
    std::optional<AuthSession> session;
    if (call->done && call->ok) {
        session = sessionFromJson(call->password);
    }
    logFailure("load", *call);
    call->release();
    return session;
}

void save(const AuthSession& session) {
    const auto json = sessionToJson(session);
    if (!json) {
        return;
    }
    // Delete, then store: the new item carries exactly our attributes. When the delete did not
    // get through, storing would risk a second item, so the session stays in memory only.
    if (!clearAll()) {
        return;
    }
    Call* call = runBounded(
        [&json](GCancellable* c, Call* data) {
            secret_password_store(&schema(), SECRET_COLLECTION_DEFAULT, "Tavrik session",
                                  json->c_str(), c, onReady, data, "service", serviceName, nullptr);
        },
        [](GAsyncResult* result, Call& out) {
            out.ok = secret_password_store_finish(result, &out.error);
        });
    logFailure("store", *call);
    call->release();
}

void remove() {
    clearAll();
}

}  // namespace tavrik::SessionKeychain
