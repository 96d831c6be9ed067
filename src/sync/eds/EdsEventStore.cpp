#include "sync/eds/EdsEventStore.h"

#include "sync/eds/EdsColor.h"
#include "sync/eds/EdsComponents.h"
#include "sync/eds/EdsWorker.h"
#include "sync/eds/GObjectRef.h"

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace brivet {

using namespace eds;

namespace {

// (guint32)-1: return the client as soon as the backend is open. Waiting
// for "connected" (0 or a timeout) stalls on local backends.
constexpr guint32 doNotWaitForConnected = static_cast<guint32>(-1);

// A list the factory does not know yet is asked for again after 0.2, 0.4,
// 0.8 and 1.6 s.
constexpr int kConnectRetries = 4;
constexpr guint kConnectRetryDelayMs = 200;

const char* extensionName(StoreEntityType type)
{
    return type == StoreEntityType::reminder ? E_SOURCE_EXTENSION_TASK_LIST : E_SOURCE_EXTENSION_CALENDAR;
}

ECalClientSourceType clientType(StoreEntityType type)
{
    return type == StoreEntityType::reminder ? E_CAL_CLIENT_SOURCE_TYPE_TASKS : E_CAL_CLIENT_SOURCE_TYPE_EVENTS;
}

std::string errorText(const GError* error)
{
    return error && error->message ? error->message : "unknown error";
}

std::string backendName(ESource* source, StoreEntityType type)
{
    if (!e_source_has_extension(source, extensionName(type)))
        return {};
    auto* extension = E_SOURCE_BACKEND(e_source_get_extension(source, extensionName(type)));
    const char* name = e_source_backend_get_backend_name(extension);
    return name ? name : "";
}

// Subscribed web calendars are read-only by nature.
bool isSubscription(ESource* source, StoreEntityType type) { return backendName(source, type) == "webcal"; }

std::string displayName(ESource* source)
{
    const char* name = e_source_get_display_name(source);
    return name ? name : "";
}

std::string uidOf(ESource* source)
{
    const char* uid = e_source_get_uid(source);
    return uid ? uid : "";
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// The bus name of the source registry service, asked for only to learn why
// a registry came up without it.
constexpr char registryService[] = "org.gnome.evolution.dataserver.Sources5";

// A registry whose service is running always holds its built-in sources
// (the local account, the system lists), so one holding none has no service
// behind it: none was started (nothing installed, or it failed) or it went
// away since. The client library gives such a registry all the same.
bool isServed(ESourceRegistry* registry)
{
    GList* sources = e_source_registry_list_sources(registry, nullptr);
    const bool served = sources != nullptr;
    g_list_free_full(sources, g_object_unref);
    return served;
}

// The master of a VTODO as get_object hands it out: the component itself,
// or the one without RECURRENCE-ID when detached instances come along in a
// VCALENDAR.
GObjectRef<ICalComponent> masterComponent(ICalComponent* component, ICalComponentKind kind)
{
    if (!component)
        return nullptr;
    if (i_cal_component_isa(component) == kind)
        return retain(component);
    if (i_cal_component_isa(component) != I_CAL_VCALENDAR_COMPONENT)
        return nullptr;
    GObjectRef<ICalComponent> first;
    for (GObjectRef<ICalComponent> child = adopt(i_cal_component_get_first_component(component, kind)); child;
         child = adopt(i_cal_component_get_next_component(component, kind))) {
        if (!e_cal_util_component_has_property(child.get(), I_CAL_RECURRENCEID_PROPERTY))
            return child;
        if (!first)
            first = retain(child.get());
    }
    return first;
}

ZoneLookup zoneLookup(ECalClient* client, GCancellable* cancellable)
{
    // Built-in zones first, then the calendar's VTIMEZONEs (a blocking
    // D-Bus call, which is why conversions run in workers).
    return [client, cancellable](const char* tzid) -> ICalTimezone* {
        return e_cal_client_tzlookup_cb(tzid, client, cancellable, nullptr);
    };
}

ICalTimezone* resolveLocalZone(const std::string& timeZoneId)
{
    if (!timeZoneId.empty()) {
        if (ICalTimezone* zone = i_cal_timezone_get_builtin_timezone(timeZoneId.c_str()))
            return zone;
    }
    if (ICalTimezone* zone = e_cal_util_get_system_timezone())
        return zone;
    return i_cal_timezone_get_utc_timezone();
}

time_t clampedTime(Instant instant)
{
    // Keeps recurrence expansion within years libical handles well.
    constexpr std::int64_t earliest = 0;              // 1970-01-01
    constexpr std::int64_t latest = 7'258'118'400LL;  // 2200-01-01
    return static_cast<time_t>(std::clamp(secondsSinceEpoch(instant), earliest, latest));
}

// One list's client as the workers need it.
struct ListHandle {
    GObjectRef<ECalClient> client;
    std::string identifier;
    std::string title;
};

// Whether a failed call means the list's calendar factory is gone (the bus
// name has no owner, the call got no reply, the connection closed) rather
// than a refusal of the call itself.
// A list's backend that cannot reach its server (a CalDAV server that is
// down, no network): the factory relays the backend's network error.
bool meansServerUnreachable(const GError* error)
{
    if (!error)
        return false;
    if (g_error_matches(error, E_CLIENT_ERROR, E_CLIENT_ERROR_REPOSITORY_OFFLINE))
        return true;
    if (error->domain != G_IO_ERROR)
        return false;
    switch (error->code) {
    case G_IO_ERROR_CONNECTION_REFUSED:
    case G_IO_ERROR_HOST_NOT_FOUND:
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
    case G_IO_ERROR_TIMED_OUT:
    case G_IO_ERROR_NOT_CONNECTED:
    case G_IO_ERROR_PROXY_FAILED:
    case G_IO_ERROR_CONNECTION_CLOSED:
        return true;
    default:
        return false;
    }
}

bool meansFactoryGone(const GError* error)
{
    if (!error || meansServerUnreachable(error))
        return false;
    if (error->domain == G_DBUS_ERROR)
        return true;
    return error->domain == G_IO_ERROR && error->code != G_IO_ERROR_CANCELLED && error->code != G_IO_ERROR_NOT_FOUND
        && error->code != G_IO_ERROR_PERMISSION_DENIED;
}

// `what` failed because of `error`: the log's words, and the cause and the
// store's own message for the app's.
StoreError storeErrorFrom(const std::string& what, const GError* error)
{
    StoreError result;
    result.detail = errorText(error);
    if (meansServerUnreachable(error)) {
        result.cause = StoreErrorCause::serverUnreachable;
        result.description = what + ": the server cannot be reached (" + result.detail + ")";
    } else if (meansFactoryGone(error)) {
        result.cause = StoreErrorCause::serviceStopped;
        result.description = what + ": the calendar service of Evolution Data Server stopped (" + result.detail + ")";
    } else {
        if (g_error_matches(error, E_CLIENT_ERROR, E_CLIENT_ERROR_PERMISSION_DENIED))
            result.cause = StoreErrorCause::readOnly;
        result.description = what + ": " + result.detail;
    }
    return result;
}

// The lists whose client failed in a worker as if its factory were gone;
// the store forgets those clients once the worker is done.
struct DeadClients {
    std::mutex mutex;
    std::vector<std::string> identifiers;
    void note(const std::string& identifier, const GError* error)
    {
        if (!meansFactoryGone(error))
            return;
        std::lock_guard lock(mutex);
        identifiers.push_back(identifier);
    }
};

} // namespace

class EdsEventStore::Impl {
public:
    explicit Impl(std::string timeZoneId)
        : m_localZone(resolveLocalZone(timeZoneId))
        , m_cancellable(adopt(g_cancellable_new()))
    {
    }

    ~Impl()
    {
        g_cancellable_cancel(m_cancellable.get());
        if (m_noticeSource)
            g_source_remove(m_noticeSource);
        for (auto& [uid, entry] : m_clients)
            releaseClient(entry);
        if (m_registry)
            g_signal_handlers_disconnect_by_data(m_registry.get(), this);
    }

    ICalTimezone* m_localZone;
    GObjectRef<GCancellable> m_cancellable;
    GObjectRef<ESourceRegistry> m_registry;
    std::function<void()> m_changeHandler;

    // ---- Registry ---------------------------------------------------------

    using RegistryWaiter = std::function<void(const std::string* error)>;

    // Hands `waiter` a registry with its service behind it, or the reason
    // there is none. A registry whose service went away is dropped and made
    // again, which starts the service anew where D-Bus can.
    void ensureRegistry(RegistryWaiter waiter)
    {
        if (m_registry && isServed(m_registry.get())) {
            waiter(nullptr);
            return;
        }
        m_registryWaiters.push_back(std::move(waiter));
        if (m_registryWaiters.size() > 1)
            return;
        if (m_registry) {
            g_warning("The EDS source registry has gone away; connecting again");
            dropRegistry();
        }
        e_source_registry_new(m_cancellable.get(), &Impl::onRegistryReady, new Pending { this, retain(m_cancellable.get()) });
    }

    // Why calendars() cannot list sources now, if so.
    std::optional<std::string> listingProblem() const
    {
        if (!m_registry)
            return std::string("Evolution Data Server has not been asked for its sources yet");
        if (!isServed(m_registry.get()))
            return std::string("the source registry service of Evolution Data Server is not running");
        return std::nullopt;
    }

    // ---- Sources ----------------------------------------------------------

    std::vector<GObjectRef<ESource>> listSources(StoreEntityType type) const
    {
        std::vector<GObjectRef<ESource>> sources;
        if (!m_registry)
            return sources;
        GList* list = e_source_registry_list_enabled(m_registry.get(), extensionName(type));
        for (GList* item = list; item; item = item->next)
            sources.push_back(adopt(E_SOURCE(item->data)));
        g_list_free(list);
        // The registry sorts by display name; identifiers break ties so the
        // order holds across launches.
        std::stable_sort(sources.begin(), sources.end(), [](const auto& a, const auto& b) {
            const int byName = g_utf8_collate(e_source_get_display_name(a.get()), e_source_get_display_name(b.get()));
            if (byName != 0)
                return byName < 0;
            return uidOf(a.get()) < uidOf(b.get());
        });
        return sources;
    }

    // The enabled sources of the type whose identifiers are listed; every
    // one when the list is empty.
    std::vector<GObjectRef<ESource>> selectedSources(StoreEntityType type, const std::vector<std::string>& identifiers) const
    {
        std::vector<GObjectRef<ESource>> sources;
        for (auto& source : listSources(type)) {
            if (identifiers.empty()
                || std::find(identifiers.begin(), identifiers.end(), uidOf(source.get())) != identifiers.end())
                sources.push_back(std::move(source));
        }
        return sources;
    }

    GObjectRef<ESource> findSource(const std::string& uid, StoreEntityType type) const
    {
        for (auto& source : listSources(type)) {
            if (uidOf(source.get()) == uid)
                return std::move(source);
        }
        return nullptr;
    }

    StoreCalendar describe(ESource* source, StoreEntityType type) const
    {
        StoreCalendar calendar;
        calendar.uid = uidOf(source);
        calendar.title = displayName(source);
        if (const char* parentUid = e_source_get_parent(source); parentUid && *parentUid) {
            if (GObjectRef<ESource> parent = adopt(e_source_registry_ref_source(m_registry.get(), parentUid)))
                calendar.sourceTitle = displayName(parent.get());
        }
        auto* selectable = E_SOURCE_SELECTABLE(e_source_get_extension(source, extensionName(type)));
        if (gchar* color = e_source_selectable_dup_color(selectable)) {
            if (*color)
                calendar.color = parseSourceColor(color);
            g_free(color);
        }
        calendar.isSubscription = isSubscription(source, type);
        calendar.allowsContentModifications = !calendar.isSubscription;
        if (auto it = m_clients.find(calendar.uid); it != m_clients.end()) {
            if (it->second.client) {
                calendar.allowsContentModifications &= !e_client_is_readonly(E_CLIENT(it->second.client.get()));
                calendar.isOffline = !e_client_is_online(E_CLIENT(it->second.client.get()));
            }
            else if (!it->second.connecting)
                calendar.allowsContentModifications = false; // could not be opened
        }
        return calendar;
    }

    // ---- Clients ----------------------------------------------------------

    using ClientWaiter = std::function<void(ECalClient* client, const std::string* error)>;

    struct ListClient {
        StoreEntityType type = StoreEntityType::reminder;
        GObjectRef<ECalClient> client;
        GObjectRef<ECalClientView> view;
        bool connecting = false;
        std::vector<ClientWaiter> waiters;
    };

    // Opens the client of a list once and keeps it with a view that reports
    // changes; later calls get the open client at once.
    void ensureClient(ESource* source, StoreEntityType type, ClientWaiter waiter)
    {
        const std::string uid = uidOf(source);
        ListClient& entry = m_clients[uid];
        entry.type = type;
        if (entry.client) {
            waiter(entry.client.get(), nullptr);
            return;
        }
        entry.waiters.push_back(std::move(waiter));
        if (entry.connecting)
            return;
        entry.connecting = true;
        e_cal_client_connect(source, clientType(type), doNotWaitForConnected, m_cancellable.get(), &Impl::onClientConnected,
            new Pending { this, retain(m_cancellable.get()), uid });
    }

    // Opens the clients of all `sources`; `done` gets them in the same order,
    // or the first error.
    void ensureClients(std::vector<GObjectRef<ESource>> sources, StoreEntityType type,
        std::function<void(std::vector<ListHandle>, const std::string* error)> done)
    {
        struct Join {
            std::vector<ListHandle> handles;
            std::optional<std::string> error;
            std::size_t remaining = 0;
            std::function<void(std::vector<ListHandle>, const std::string*)> done;
        };
        auto join = std::make_shared<Join>();
        join->done = std::move(done);
        join->remaining = sources.size();
        for (const auto& source : sources)
            join->handles.push_back({ nullptr, uidOf(source.get()), displayName(source.get()) });
        if (sources.empty()) {
            join->done({}, nullptr);
            return;
        }
        for (std::size_t index = 0; index < sources.size(); ++index) {
            const std::string title = displayName(sources[index].get());
            ensureClient(sources[index].get(), type, [join, index, title](ECalClient* client, const std::string* error) {
                if (client)
                    join->handles[index].client = retain(client);
                else if (!join->error)
                    join->error = "Cannot open " + quoted(title) + ": " + (error ? *error : std::string("unknown error"));
                if (--join->remaining == 0)
                    join->done(std::move(join->handles), join->error ? &*join->error : nullptr);
            });
        }
    }

    // Watches every list of the type from now on and opens their clients;
    // `done` runs once they are open (lists that cannot be opened stay
    // listed as read-only).
    void watchAll(StoreEntityType type, std::function<void()> done)
    {
        m_watching[static_cast<int>(type)] = true;
        ensureClients(listSources(type), type,
            [done = std::move(done)](std::vector<ListHandle>, const std::string*) { done(); });
    }

    // ---- Refresh ----------------------------------------------------------

    // One refreshLists call: the lists still refreshing and what went wrong.
    struct RefreshRound {
        std::vector<StoreStaleList> stale;
        std::size_t remaining = 0;
        guint timer = 0;
        bool timedOut = false;
        // Cancelled at the deadline: every call still waiting gives up.
        GObjectRef<GCancellable> deadline;
        GObjectRef<GCancellable> storeAlive;
        std::function<void(std::vector<StoreStaleList>)> completion;
    };

    // One list of a round. The backend reports a failed refresh only as a
    // "backend-error" signal, so that is listened to while it runs.
    struct RefreshCall {
        std::shared_ptr<RefreshRound> round;
        ListHandle list;
        gulong errorHandler = 0;
        std::optional<std::string> backendError;
    };

    // A backend that refreshes from a server does it in the background:
    // asking returns at once. Its operations run in order, though, and the
    // refresh blocks the ones after it, so a read that matches nothing,
    // asked once the refresh was accepted, answers when the copy is fetched.
    void refreshClients(std::vector<ListHandle> lists, std::function<void(std::vector<StoreStaleList>)> completion)
    {
        auto round = std::make_shared<RefreshRound>();
        round->deadline = adopt(g_cancellable_new());
        round->storeAlive = retain(m_cancellable.get());
        round->completion = std::move(completion);
        std::vector<ListHandle> remote;
        for (ListHandle& list : lists) {
            if (!list.client || !e_client_check_refresh_supported(E_CLIENT(list.client.get())))
                continue; // local lists hold the truth; unopened ones are the fetch's to report
            if (!e_client_is_online(E_CLIENT(list.client.get()))) {
                StoreError reason { "The list " + quoted(list.title) + " is offline; it answers with what it held", false,
                    StoreErrorCause::serverUnreachable, "offline" };
                round->stale.push_back({ list.identifier, list.title, std::move(reason), false });
                continue;
            }
            remote.push_back(std::move(list));
        }
        round->remaining = remote.size();
        if (remote.empty()) {
            finishRefresh(round);
            return;
        }
        round->timer = g_timeout_add_full(
            G_PRIORITY_DEFAULT, refreshTimeoutMs,
            [](gpointer data) -> gboolean {
                auto* round = static_cast<std::shared_ptr<RefreshRound>*>(data);
                (*round)->timer = 0;
                (*round)->timedOut = true;
                g_cancellable_cancel((*round)->deadline.get());
                return G_SOURCE_REMOVE;
            },
            new std::shared_ptr<RefreshRound>(round),
            [](gpointer data) { delete static_cast<std::shared_ptr<RefreshRound>*>(data); });
        for (ListHandle& list : remote) {
            auto* call = new RefreshCall { round, std::move(list), 0, std::nullopt };
            call->errorHandler = g_signal_connect(call->list.client.get(), "backend-error",
                G_CALLBACK(+[](EClient*, const gchar* message, gpointer data) {
                    static_cast<RefreshCall*>(data)->backendError = message ? message : "unknown error";
                }),
                call);
            e_client_refresh(E_CLIENT(call->list.client.get()), round->deadline.get(), &Impl::onRefreshAccepted, call);
        }
    }

    static void onRefreshAccepted(GObject* object, GAsyncResult* result, gpointer data)
    {
        auto* call = static_cast<RefreshCall*>(data);
        GError* error = nullptr;
        if (!e_client_refresh_finish(E_CLIENT(object), result, &error)) {
            finishRefreshCall(call, error);
            g_clear_error(&error);
            return;
        }
        e_cal_client_get_object_list(call->list.client.get(), "#f", call->round->deadline.get(), &Impl::onRefreshDone, call);
    }

    static void onRefreshDone(GObject* object, GAsyncResult* result, gpointer data)
    {
        auto* call = static_cast<RefreshCall*>(data);
        GSList* none = nullptr;
        GError* error = nullptr;
        e_cal_client_get_object_list_finish(E_CAL_CLIENT(object), result, &none, &error);
        g_slist_free_full(none, g_object_unref);
        // Only the read's cancellation matters here: it matched nothing on
        // purpose. The backend's error signal comes a main-loop turn after
        // the answer, so the verdict waits for pending sources to run.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_clear_error(&error);
        if (cancelled) {
            GError* timeout = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_CANCELLED, "cancelled");
            finishRefreshCall(call, timeout);
            g_error_free(timeout);
            return;
        }
        g_idle_add_full(
            G_PRIORITY_LOW,
            [](gpointer data) -> gboolean {
                finishRefreshCall(static_cast<RefreshCall*>(data), nullptr);
                return G_SOURCE_REMOVE;
            },
            call, nullptr);
    }

    // `error`: the refresh or the wait for it failed; otherwise it went
    // through unless the backend reported an error meanwhile or went
    // offline.
    static void finishRefreshCall(RefreshCall* call, const GError* error)
    {
        std::unique_ptr<RefreshCall> owned(call);
        std::shared_ptr<RefreshRound> round = call->round;
        ECalClient* client = call->list.client.get();
        g_signal_handler_disconnect(client, call->errorHandler);
        const std::string what = "Cannot refresh " + quoted(call->list.title) + " from its server";
        std::optional<StoreError> reason;
        bool blocked = false;
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            if (!round->timedOut)
                return; // the store is going away
            const std::string seconds = std::to_string(refreshTimeoutMs / 1000);
            reason = StoreError { what + ": it did not answer within " + seconds + " seconds", false,
                StoreErrorCause::serverUnreachable, "no answer within " + seconds + " s" };
            // The backend's operations after the refresh wait for it.
            blocked = true;
        } else if (error) {
            if (!g_error_matches(error, E_CLIENT_ERROR, E_CLIENT_ERROR_NOT_SUPPORTED))
                reason = storeErrorFrom(what, error);
        } else if (call->backendError || !e_client_is_online(E_CLIENT(client))) {
            const std::string detail = call->backendError.value_or("offline");
            reason = StoreError { what + ": " + detail, false, StoreErrorCause::serverUnreachable, detail };
        }
        if (reason) {
            g_warning("%s%s", reason->description.c_str(),
                blocked ? "; its reads wait for the server as well" : "; the sync works from the copy Evolution Data Server held");
            round->stale.push_back({ call->list.identifier, call->list.title, std::move(*reason), blocked });
        }
        if (--round->remaining == 0)
            finishRefresh(round);
    }

    static void finishRefresh(const std::shared_ptr<RefreshRound>& round)
    {
        if (round->timer) {
            g_source_remove(round->timer);
            round->timer = 0;
        }
        if (g_cancellable_is_cancelled(round->storeAlive.get()))
            return;
        auto done = std::move(round->completion);
        if (done)
            done(std::move(round->stale));
    }

    // ---- Change notices ---------------------------------------------------

    void notice()
    {
        if (!m_changeHandler || m_noticeSource)
            return;
        m_noticeSource = g_idle_add(
            [](gpointer data) -> gboolean {
                auto* self = static_cast<Impl*>(data);
                self->m_noticeSource = 0;
                if (self->m_changeHandler) {
                    // The handler may replace itself or destroy the store.
                    std::function<void()> handler = self->m_changeHandler;
                    handler();
                }
                return G_SOURCE_REMOVE;
            },
            this);
    }

    void dropNotices()
    {
        if (m_noticeSource) {
            g_source_remove(m_noticeSource);
            m_noticeSource = 0;
        }
    }

    // Drops the open clients of these lists, so the next request opens new
    // ones (and D-Bus activation starts a new factory).
    void forgetClients(DeadClients& dead)
    {
        std::vector<std::string> identifiers;
        {
            std::lock_guard lock(dead.mutex);
            identifiers.swap(dead.identifiers);
        }
        for (const std::string& identifier : identifiers) {
            auto it = m_clients.find(identifier);
            if (it == m_clients.end() || it->second.connecting)
                continue;
            releaseClient(it->second);
            m_clients.erase(it);
        }
    }

private:
    // What a GLib async callback gets; it checks `cancellable` before it
    // touches `impl`, which is gone once that is cancelled.
    struct Pending {
        Impl* impl;
        GObjectRef<GCancellable> cancellable;
        std::string uid;
        int attempt = 0; // of opening a list's client
        bool alive() const { return !g_cancellable_is_cancelled(cancellable.get()); }
    };

    std::vector<RegistryWaiter> m_registryWaiters;
    std::map<std::string, ListClient> m_clients; // by source UID
    bool m_watching[2] = { false, false };
    guint m_noticeSource = 0;

    static void onRegistryReady(GObject*, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GError* error = nullptr;
        GObjectRef<ESourceRegistry> registry = adopt(e_source_registry_new_finish(result, &error));
        if (!pending->alive()) {
            g_clear_error(&error);
            return;
        }
        Impl* self = pending->impl;
        if (registry && !isServed(registry.get())) {
            // Only the bus can say why the service is missing: ask it to
            // start the service, which fails with the reason.
            GCancellable* cancellable = pending->cancellable.get();
            g_bus_get(G_BUS_TYPE_SESSION, cancellable, &Impl::onBusForDiagnosis, pending.release());
            return;
        }
        if (registry) {
            self->answerRegistryWaiters(std::move(registry), {});
            return;
        }
        const std::string message = errorText(error);
        g_clear_error(&error);
        self->answerRegistryWaiters(nullptr, message);
    }

    static void onBusForDiagnosis(GObject*, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GError* error = nullptr;
        GObjectRef<GDBusConnection> bus = adopt(g_bus_get_finish(result, &error));
        if (!pending->alive()) {
            g_clear_error(&error);
            return;
        }
        if (!bus) {
            const std::string message = "its source registry service is not running (" + errorText(error) + ")";
            g_clear_error(&error);
            pending->impl->answerRegistryWaiters(nullptr, message);
            return;
        }
        GCancellable* cancellable = pending->cancellable.get();
        g_dbus_connection_call(bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "StartServiceByName", g_variant_new("(su)", registryService, 0u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
            -1, cancellable, &Impl::onRegistryServiceStarted, pending.release());
    }

    static void onRegistryServiceStarted(GObject* bus, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (reply)
            g_variant_unref(reply);
        if (!pending->alive()) {
            g_clear_error(&error);
            return;
        }
        Impl* self = pending->impl;
        if (!error && pending->attempt == 0) {
            // It started just now: a new registry finds its sources.
            ++pending->attempt;
            e_source_registry_new(pending->cancellable.get(), &Impl::onRegistryReady, pending.release());
            return;
        }
        if (error)
            g_dbus_error_strip_remote_error(error);
        const std::string message = "its source registry service is not running and cannot be started ("
            + (error ? errorText(error) : std::string("it started but lists no sources")) + ")";
        g_clear_error(&error);
        self->answerRegistryWaiters(nullptr, message);
    }

    void answerRegistryWaiters(GObjectRef<ESourceRegistry> registry, const std::string& failure)
    {
        std::vector<RegistryWaiter> waiters = std::move(m_registryWaiters);
        m_registryWaiters.clear();
        std::optional<std::string> message;
        if (registry) {
            m_registry = std::move(registry);
            connectRegistrySignals();
        } else {
            g_warning("Cannot reach the EDS source registry: %s", failure.c_str());
            message = failure;
        }
        GObjectRef<GCancellable> cancellable = retain(m_cancellable.get());
        for (auto& waiter : waiters) {
            if (g_cancellable_is_cancelled(cancellable.get()))
                return;
            waiter(message ? &*message : nullptr);
        }
    }

    // Forgets a registry whose service went away, and the clients opened
    // through it; clients still opening finish on their own.
    void dropRegistry()
    {
        g_signal_handlers_disconnect_by_data(m_registry.get(), this);
        m_registry.reset();
        for (auto it = m_clients.begin(); it != m_clients.end();) {
            if (it->second.connecting) {
                ++it;
                continue;
            }
            releaseClient(it->second);
            it = m_clients.erase(it);
        }
    }

    void connectRegistrySignals()
    {
        ESourceRegistry* registry = m_registry.get();
        g_signal_connect(registry, "source-added", G_CALLBACK(&Impl::onSourceAppeared), this);
        g_signal_connect(registry, "source-enabled", G_CALLBACK(&Impl::onSourceAppeared), this);
        g_signal_connect(registry, "source-removed", G_CALLBACK(&Impl::onSourceVanished), this);
        g_signal_connect(registry, "source-disabled", G_CALLBACK(&Impl::onSourceVanished), this);
        g_signal_connect(registry, "source-changed", G_CALLBACK(&Impl::onSourceChanged), this);
    }

    static std::optional<StoreEntityType> listType(ESource* source)
    {
        if (e_source_has_extension(source, E_SOURCE_EXTENSION_TASK_LIST))
            return StoreEntityType::reminder;
        if (e_source_has_extension(source, E_SOURCE_EXTENSION_CALENDAR))
            return StoreEntityType::event;
        return std::nullopt;
    }

    // An account whose lists we hold: its name is their source title.
    bool isParentOfKnownList(ESource* source) const
    {
        const std::string uid = uidOf(source);
        for (const auto& [listUid, entry] : m_clients) {
            GObjectRef<ESource> list = adopt(e_source_registry_ref_source(m_registry.get(), listUid.c_str()));
            if (list && e_source_get_parent(list.get()) && uid == e_source_get_parent(list.get()))
                return true;
        }
        return false;
    }

    static void onSourceAppeared(ESourceRegistry*, ESource* source, gpointer data)
    {
        auto* self = static_cast<Impl*>(data);
        const std::optional<StoreEntityType> type = listType(source);
        if (!type)
            return;
        if (self->m_watching[static_cast<int>(*type)] && e_source_registry_check_enabled(self->m_registry.get(), source))
            self->ensureClient(source, *type, [](ECalClient*, const std::string*) { });
        self->notice();
    }

    static void onSourceVanished(ESourceRegistry*, ESource* source, gpointer data)
    {
        auto* self = static_cast<Impl*>(data);
        const bool parent = self->isParentOfKnownList(source);
        if (!listType(source) && !parent)
            return;
        if (auto it = self->m_clients.find(uidOf(source)); it != self->m_clients.end() && !it->second.connecting) {
            self->releaseClient(it->second);
            self->m_clients.erase(it);
        }
        self->notice();
    }

    static void onSourceChanged(ESourceRegistry*, ESource* source, gpointer data)
    {
        auto* self = static_cast<Impl*>(data);
        if (listType(source) || self->isParentOfKnownList(source))
            self->notice();
    }

    static void onClientConnected(GObject*, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GError* error = nullptr;
        GObjectRef<EClient> client = adopt(e_cal_client_connect_finish(result, &error));
        if (!pending->alive()) {
            g_clear_error(&error);
            return;
        }
        Impl* self = pending->impl;
        if (!client) {
            // The calendar factory learns of a list a moment after the
            // registry reports it; a list created just now is asked for
            // again a few times before the failure counts.
            if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND) && pending->attempt < kConnectRetries
                && self->m_registry) {
                if (GObjectRef<ESource> source = adopt(e_source_registry_ref_source(self->m_registry.get(), pending->uid.c_str()))) {
                    g_clear_error(&error);
                    const guint delay = kConnectRetryDelayMs << pending->attempt;
                    ++pending->attempt;
                    g_timeout_add(delay, &Impl::onConnectRetry, pending.release());
                    return;
                }
            }
            const std::string message = errorText(error);
            g_warning("Cannot open the EDS source %s: %s", pending->uid.c_str(), message.c_str());
            g_clear_error(&error);
            self->finishConnecting(*pending, nullptr, &message);
            return;
        }
        ECalClient* calClient = E_CAL_CLIENT(client.get());
        e_cal_client_set_default_timezone(calClient, self->m_localZone);
        g_signal_connect(calClient, "backend-died", G_CALLBACK(&Impl::onBackendDied), self);
        self->m_clients[pending->uid].client = adopt(E_CAL_CLIENT(client.release()));
        // The waiters hear of the client once its view runs, so that changes
        // after that are reported.
        e_cal_client_get_view(calClient, "#t", self->m_cancellable.get(), &Impl::onViewReady, pending.release());
    }

    static gboolean onConnectRetry(gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        if (!pending->alive())
            return G_SOURCE_REMOVE;
        Impl* self = pending->impl;
        GObjectRef<ESource> source = self->m_registry
            ? adopt(e_source_registry_ref_source(self->m_registry.get(), pending->uid.c_str()))
            : nullptr;
        if (!source) {
            const std::string message = "The list was removed";
            self->finishConnecting(*pending, nullptr, &message);
            return G_SOURCE_REMOVE;
        }
        const ListClient& entry = self->m_clients[pending->uid];
        GCancellable* cancellable = pending->cancellable.get();
        e_cal_client_connect(source.get(), clientType(entry.type), doNotWaitForConnected, cancellable,
            &Impl::onClientConnected, pending.release());
        return G_SOURCE_REMOVE;
    }

    static void onViewReady(GObject* object, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        GError* error = nullptr;
        ECalClientView* rawView = nullptr;
        e_cal_client_get_view_finish(E_CAL_CLIENT(object), result, &rawView, &error);
        GObjectRef<ECalClientView> view = adopt(rawView);
        if (!pending->alive()) {
            g_clear_error(&error);
            return;
        }
        Impl* self = pending->impl;
        ListClient& entry = self->m_clients[pending->uid];
        if (view) {
            // Only changes from now on; the initial contents are no news.
            e_cal_client_view_set_flags(view.get(), E_CAL_CLIENT_VIEW_FLAGS_NONE, nullptr);
            g_signal_connect(view.get(), "objects-added", G_CALLBACK(&Impl::onObjectsChanged), self);
            g_signal_connect(view.get(), "objects-modified", G_CALLBACK(&Impl::onObjectsChanged), self);
            g_signal_connect(view.get(), "objects-removed", G_CALLBACK(&Impl::onObjectsChanged), self);
            e_cal_client_view_start(view.get(), &error);
            self->releaseView(entry);
            entry.view = std::move(view);
        }
        if (error) {
            // The list still works; only its changes go unnoticed.
            g_warning("Cannot watch the EDS source %s: %s", pending->uid.c_str(), errorText(error).c_str());
            g_clear_error(&error);
        }
        self->finishConnecting(*pending, entry.client.get(), nullptr);
    }

    void finishConnecting(const Pending& pending, ECalClient* client, const std::string* error)
    {
        ListClient& entry = m_clients[pending.uid];
        entry.connecting = false;
        std::vector<ClientWaiter> waiters = std::move(entry.waiters);
        entry.waiters.clear();
        // Waiters may end the store or drop the entry; these outlive both.
        GObjectRef<ECalClient> keep = retain(client);
        const std::optional<std::string> message = error ? std::optional<std::string>(*error) : std::nullopt;
        GObjectRef<GCancellable> cancellable = retain(pending.cancellable.get());
        for (auto& waiter : waiters) {
            if (g_cancellable_is_cancelled(cancellable.get()))
                return;
            waiter(client, message ? &*message : nullptr);
        }
    }

    static void onObjectsChanged(ECalClientView*, gpointer, gpointer data) { static_cast<Impl*>(data)->notice(); }

    // The calendar factory went away (it crashed or was ended): every call
    // on the client fails from now on. The entry goes, so the next request
    // opens a new client, which D-Bus activation gives a new factory. Calls
    // in flight hold their own reference and fail on their own. No change
    // notice: a factory that keeps dying must not start sync after sync.
    static void onBackendDied(EClient* client, gpointer data)
    {
        auto* self = static_cast<Impl*>(data);
        for (auto it = self->m_clients.begin(); it != self->m_clients.end(); ++it) {
            if (E_CLIENT(it->second.client.get()) != client)
                continue;
            g_warning("The EDS backend of %s died; its list is opened again when next needed", it->first.c_str());
            if (it->second.connecting) {
                // The view is still being asked for; it fails and the
                // waiters hear of it. Only the dead client goes.
                g_signal_handlers_disconnect_by_data(client, self);
                it->second.client.reset();
                return;
            }
            self->releaseClient(it->second);
            self->m_clients.erase(it);
            return;
        }
    }

    void releaseView(ListClient& entry)
    {
        if (entry.view)
            g_signal_handlers_disconnect_by_data(entry.view.get(), this);
        entry.view.reset();
    }

    void releaseClient(ListClient& entry)
    {
        releaseView(entry);
        if (entry.client)
            g_signal_handlers_disconnect_by_data(entry.client.get(), this);
    }
};

EdsEventStore::EdsEventStore(std::string timeZoneId) : m_impl(std::make_unique<Impl>(std::move(timeZoneId))) { }

EdsEventStore::~EdsEventStore() = default;

void EdsEventStore::requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion)
{
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl, type, completion = std::move(completion)](const std::string* error) {
        if (error) {
            completion(StoreError { "Evolution Data Server is not reachable: " + *error, true });
            return;
        }
        // Lists that cannot be opened stay listed as read-only; access
        // itself is granted.
        impl->watchAll(type, [completion] { completion(true); });
    });
}

EventStore::CalendarsResult EdsEventStore::calendars(StoreEntityType type) const
{
    if (std::optional<std::string> problem = m_impl->listingProblem())
        return StoreError { "Evolution Data Server is not reachable: " + *problem, true };
    std::vector<StoreCalendar> result;
    for (const auto& source : m_impl->listSources(type))
        result.push_back(m_impl->describe(source.get(), type));
    return result;
}

std::optional<StoreCalendar> EdsEventStore::defaultCalendarForNewReminders() const
{
    if (!m_impl->m_registry)
        return std::nullopt;
    GObjectRef<ESource> source = adopt(e_source_registry_ref_default_task_list(m_impl->m_registry.get()));
    if (!source)
        return std::nullopt;
    if (!m_impl->findSource(uidOf(source.get()), StoreEntityType::reminder))
        return std::nullopt;
    return m_impl->describe(source.get(), StoreEntityType::reminder);
}

void EdsEventStore::fetchReminders(const std::vector<std::string>& sourceUids, std::function<void(RemindersResult)> completion)
{
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl, sourceUids, completion = std::move(completion)](const std::string* error) {
        if (error) {
            completion(StoreError { "Evolution Data Server is not reachable: " + *error, true });
            return;
        }
        std::vector<GObjectRef<ESource>> sources = impl->selectedSources(StoreEntityType::reminder, sourceUids);
        ICalTimezone* localZone = impl->m_localZone;
        GCancellable* cancellable = impl->m_cancellable.get();
        impl->ensureClients(std::move(sources), StoreEntityType::reminder,
            [impl, cancellable, localZone, completion](std::vector<ListHandle> lists, const std::string* error) {
                if (error) {
                    g_warning("Cannot read reminders: %s", error->c_str());
                    completion(StoreError { *error });
                    return;
                }
                auto shared = std::make_shared<std::vector<ListHandle>>(std::move(lists));
                auto dead = std::make_shared<DeadClients>();
                runInWorker<RemindersResult>(
                    cancellable,
                    [shared, localZone, dead](GCancellable* cancellable) -> RemindersResult {
                        std::vector<StoreReminder> reminders;
                        for (const ListHandle& list : *shared) {
                            GSList* components = nullptr;
                            GError* error = nullptr;
                            if (!e_cal_client_get_object_list_sync(list.client.get(), "#t", &components, cancellable, &error)) {
                                if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
                                    g_warning("Cannot read the reminders of %s: %s", list.title.c_str(), errorText(error).c_str());
                                dead->note(list.identifier, error);
                                StoreError failure = storeErrorFrom("Cannot read the reminders of " + quoted(list.title), error);
                                g_clear_error(&error);
                                return failure;
                            }
                            const ZoneLookup lookup = zoneLookup(list.client.get(), cancellable);
                            std::vector<std::tuple<Instant, std::string, StoreReminder>> ordered;
                            for (GSList* item = components; item; item = item->next) {
                                auto* component = I_CAL_COMPONENT(item->data);
                                // Detached instances of a repeating VTODO belong to its master.
                                if (i_cal_component_isa(component) != I_CAL_VTODO_COMPONENT
                                    || e_cal_util_component_has_property(component, I_CAL_RECURRENCEID_PROPERTY))
                                    continue;
                                StoreReminder reminder = reminderFromComponent(component, lookup, localZone);
                                if (reminder.uid.empty())
                                    continue;
                                reminder.sourceUid = list.identifier;
                                reminder.calendarTitle = list.title;
                                const Instant created = propertyInstant(component, I_CAL_CREATED_PROPERTY, lookup, localZone)
                                                            .value_or(distantPast());
                                std::string uid = reminder.uid;
                                ordered.emplace_back(created, std::move(uid), std::move(reminder));
                            }
                            g_slist_free_full(components, g_object_unref);
                            // The store answers in no particular order; creation order
                            // (then identifier) keeps imports stable.
                            std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
                                return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
                            });
                            for (auto& entry : ordered)
                                reminders.push_back(std::move(std::get<2>(entry)));
                        }
                        return reminders;
                    },
                    [impl, dead, completion](RemindersResult reminders) {
                        impl->forgetClients(*dead);
                        completion(std::move(reminders));
                    });
            });
    });
}

void EdsEventStore::refreshLists(StoreEntityType type, const std::vector<std::string>& sourceUids,
    std::function<void(std::vector<StoreStaleList>)> completion)
{
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl, type, sourceUids, completion = std::move(completion)](const std::string* error) {
        // An unreachable store, or a list that cannot be opened, is the
        // fetch's to report.
        if (error) {
            completion({});
            return;
        }
        impl->ensureClients(impl->selectedSources(type, sourceUids), type,
            [impl, completion](std::vector<ListHandle> lists, const std::string*) {
                impl->refreshClients(std::move(lists), completion);
            });
    });
}

void EdsEventStore::fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
    std::function<void(EventsResult)> completion)
{
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl, start, end, sourceUids, completion = std::move(completion)](const std::string* error) {
        if (error) {
            completion(StoreError { "Evolution Data Server is not reachable: " + *error, true });
            return;
        }
        if (end < start) {
            completion(std::vector<StoreEvent> {});
            return;
        }
        std::vector<GObjectRef<ESource>> sources = impl->selectedSources(StoreEntityType::event, sourceUids);
        ICalTimezone* localZone = impl->m_localZone;
        GCancellable* cancellable = impl->m_cancellable.get();
        impl->ensureClients(std::move(sources), StoreEntityType::event,
            [cancellable, localZone, start, end, completion](std::vector<ListHandle> lists, const std::string* error) {
                if (error) {
                    g_warning("Cannot read events: %s", error->c_str());
                    completion(StoreError { *error });
                    return;
                }
                auto shared = std::make_shared<std::vector<ListHandle>>(std::move(lists));
                runInWorker<EventsResult>(
                    cancellable,
                    [shared, localZone, start, end](GCancellable* cancellable) -> EventsResult {
                        struct Collect {
                            const ListHandle* list;
                            std::size_t order;
                            ICalTimezone* zone;
                            std::vector<std::pair<std::size_t, StoreEvent>>* events;
                        };
                        std::vector<std::pair<std::size_t, StoreEvent>> events;
                        for (std::size_t order = 0; order < shared->size(); ++order) {
                            const ListHandle& list = (*shared)[order];
                            if (!list.client)
                                continue;
                            Collect collect { &list, order, localZone, &events };
                            // The end is inclusive; EDS treats it as exclusive.
                            e_cal_client_generate_instances_sync(list.client.get(), clampedTime(start), clampedTime(end) + 1,
                                cancellable,
                                [](ICalComponent* component, ICalTime* instanceStart, ICalTime*, gpointer data,
                                    GCancellable*, GError**) -> gboolean {
                                    auto* collect = static_cast<Collect*>(data);
                                    std::optional<StoreEvent> occurrence = eventOccurrence(component, instanceStart, collect->zone);
                                    if (!occurrence)
                                        return TRUE;
                                    StoreEvent& event = *occurrence;
                                    event.sourceUid = collect->list->identifier;
                                    event.calendarTitle = collect->list->title;
                                    collect->events->emplace_back(collect->order, std::move(event));
                                    return TRUE;
                                },
                                &collect);
                        }
                        std::sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
                            return std::tie(a.second.startDate, a.first, a.second.uid)
                                < std::tie(b.second.startDate, b.first, b.second.uid);
                        });
                        std::vector<StoreEvent> result;
                        result.reserve(events.size());
                        for (auto& entry : events)
                            result.push_back(std::move(entry.second));
                        return result;
                    },
                    completion);
            });
    });
}

void EdsEventStore::saveReminder(StoreReminder reminder, std::function<void(SaveResult)> completion)
{
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl, reminder = std::move(reminder), completion = std::move(completion)](const std::string* error) mutable {
        if (error) {
            completion(StoreError { "Evolution Data Server is not reachable: " + *error, true });
            return;
        }
        if (reminder.sourceUid.empty()) {
            if (!reminder.uid.empty()) {
                completion(StoreError { "The reminder " + quoted(reminder.uid) + " names no list" });
                return;
            }
            GObjectRef<ESource> fallback = adopt(e_source_registry_ref_default_task_list(impl->m_registry.get()));
            if (fallback)
                reminder.sourceUid = uidOf(fallback.get());
        }
        GObjectRef<ESource> source = impl->findSource(reminder.sourceUid, StoreEntityType::reminder);
        if (!source) {
            completion(StoreError { reminder.sourceUid.empty()
                    ? std::string("There is no reminder list to save the reminder in")
                    : "The reminder list " + quoted(reminder.sourceUid) + " does not exist" });
            return;
        }
        const std::string title = displayName(source.get());
        if (isSubscription(source.get(), StoreEntityType::reminder)) {
            completion(StoreError { "The reminder list " + quoted(title) + " is read-only", false, StoreErrorCause::readOnly, {} });
            return;
        }
        ICalTimezone* localZone = impl->m_localZone;
        GCancellable* cancellable = impl->m_cancellable.get();
        std::vector<GObjectRef<ESource>> sources;
        sources.push_back(std::move(source));
        impl->ensureClients(std::move(sources), StoreEntityType::reminder,
            [impl, cancellable, localZone, title, reminder = std::move(reminder), completion](
                std::vector<ListHandle> lists, const std::string* error) {
                if (error) {
                    completion(StoreError { *error });
                    return;
                }
                ListHandle list = std::move(lists.front());
                if (e_client_is_readonly(E_CLIENT(list.client.get()))) {
                    completion(StoreError { "The reminder list " + quoted(title) + " is read-only", false, StoreErrorCause::readOnly, {} });
                    return;
                }
                auto shared = std::make_shared<ListHandle>(std::move(list));
                auto dead = std::make_shared<DeadClients>();
                runInWorker<SaveResult>(
                    cancellable,
                    [shared, localZone, reminder, dead](GCancellable* cancellable) -> SaveResult {
                        ECalClient* client = shared->client.get();
                        const ZoneLookup lookup = zoneLookup(client, cancellable);
                        const Instant now = std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now());
                        GError* error = nullptr;
                        const auto fail = [&](std::string what) -> SaveResult {
                            dead->note(shared->identifier, error);
                            StoreError failure = storeErrorFrom(what, error);
                            g_clear_error(&error);
                            return failure;
                        };

                        std::string uid = reminder.uid;
                        bool created = false;
                        if (uid.empty()) {
                            GObjectRef<ICalComponent> todo = adopt(i_cal_component_new_vtodo());
                            if (!reminder.uidForNew.empty())
                                i_cal_component_set_uid(todo.get(), reminder.uidForNew.c_str());
                            applyReminder(todo.get(), reminder, now, lookup, localZone);
                            gchar* newUid = nullptr;
                            if (e_cal_client_create_object_sync(client, todo.get(), E_CAL_OPERATION_FLAG_NONE, &newUid,
                                    cancellable, &error)) {
                                uid = newUid ? newUid : reminder.uidForNew;
                                created = true;
                            } else if (!reminder.uidForNew.empty()
                                && g_error_matches(error, E_CAL_CLIENT_ERROR, E_CAL_CLIENT_ERROR_OBJECT_ID_ALREADY_EXISTS)) {
                                // An earlier save made it and its answer was
                                // lost: this one writes into it.
                                g_clear_error(&error);
                                uid = reminder.uidForNew;
                            } else {
                                return fail("Cannot create the reminder in " + quoted(shared->title));
                            }
                            g_free(newUid);
                        }
                        if (!created) {
                            ICalComponent* raw = nullptr;
                            if (!e_cal_client_get_object_sync(client, uid.c_str(), nullptr, &raw, cancellable, &error)) {
                                if (g_error_matches(error, E_CAL_CLIENT_ERROR, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND))
                                    return fail("There is no reminder " + quoted(uid) + " in " + quoted(shared->title));
                                return fail("Cannot read the reminder " + quoted(uid) + " in " + quoted(shared->title));
                            }
                            GObjectRef<ICalComponent> stored = adopt(raw);
                            GObjectRef<ICalComponent> todo = masterComponent(stored.get(), I_CAL_VTODO_COMPONENT);
                            if (!todo)
                                return StoreError { "The item " + quoted(uid) + " in " + quoted(shared->title) + " is not a reminder" };
                            applyReminder(todo.get(), reminder, now, lookup, localZone);
                            const ECalObjModType mod = e_cal_util_component_has_recurrences(todo.get()) ? E_CAL_OBJ_MOD_ALL : E_CAL_OBJ_MOD_THIS;
                            // A server-backed list writes only over the version it
                            // read (its ETag): by default it would overwrite whatever
                            // the server holds, and an edit made elsewhere since the
                            // last refresh would be lost without a trace.
                            if (!e_cal_client_modify_object_sync(client, todo.get(), mod, E_CAL_OPERATION_FLAG_CONFLICT_FAIL,
                                    cancellable, &error))
                                return fail("Cannot save the reminder " + quoted(uid) + " in " + quoted(shared->title));
                        }

                        // The stored form carries what the store set (UID, LAST-MODIFIED).
                        ICalComponent* raw = nullptr;
                        if (uid.empty() || !e_cal_client_get_object_sync(client, uid.c_str(), nullptr, &raw, cancellable, &error))
                            return fail("The reminder was saved in " + quoted(shared->title) + " but cannot be read back");
                        GObjectRef<ICalComponent> stored = adopt(raw);
                        GObjectRef<ICalComponent> todo = masterComponent(stored.get(), I_CAL_VTODO_COMPONENT);
                        if (!todo)
                            return StoreError { "The reminder was saved in " + quoted(shared->title) + " but cannot be read back" };
                        StoreReminder saved = reminderFromComponent(todo.get(), lookup, localZone);
                        saved.sourceUid = shared->identifier;
                        saved.calendarTitle = shared->title;
                        return saved;
                    },
                    [impl, dead, completion](SaveResult result) {
                        impl->forgetClients(*dead);
                        completion(std::move(result));
                    });
            });
    });
}

void EdsEventStore::setChangeHandler(std::function<void()> handler)
{
    m_impl->m_changeHandler = std::move(handler);
    if (!m_impl->m_changeHandler) {
        m_impl->dropNotices();
        return;
    }
    // Someone listens now: watch every list and calendar from here on, so an
    // outside change is noticed before the first sync of this run asks for
    // access. An unreachable EDS is reported by that sync, not here.
    Impl* impl = m_impl.get();
    impl->ensureRegistry([impl](const std::string* error) {
        if (error)
            return;
        for (StoreEntityType type : { StoreEntityType::reminder, StoreEntityType::event })
            impl->watchAll(type, [] { });
    });
}

} // namespace brivet
