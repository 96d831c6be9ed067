#include "sync/eds/EdsModule.h"

#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "sync/ReminderSyncEngine.h"

#include <dlfcn.h>
#include <unistd.h>

#ifndef BRIVET_EDS_MODULE_RELATIVE_PATH
#error "BRIVET_EDS_MODULE_RELATIVE_PATH names the module relative to the program's folder"
#endif

namespace brivet {

namespace EdsModule {

std::filesystem::path besideExecutable()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::path(BRIVET_EDS_MODULE_RELATIVE_PATH);
    return (program.parent_path() / BRIVET_EDS_MODULE_RELATIVE_PATH).lexically_normal();
}

} // namespace EdsModule

namespace {

using CreateFunction = EventStore* (*)(unsigned long, const char*);

class EdsModuleEventStore final : public EventStore {
public:
    EdsModuleEventStore(std::filesystem::path module, std::string timeZoneId, AppLogger* logger, DeferFunction defer)
        : m_module(std::move(module))
        , m_timeZoneId(std::move(timeZoneId))
        , m_logger(logger)
        , m_defer(std::move(defer))
    {
    }

    ~EdsModuleEventStore() override { m_lifetime.reset(); }

    void requestAccess(StoreEntityType type, std::function<void(AccessResult)> completion) override
    {
        if (EventStore* store = loaded())
            return store->requestAccess(type, std::move(completion));
        completion(StoreError { m_error });
    }

    CalendarsResult calendars(StoreEntityType type) const override
    {
        if (m_store)
            return m_store->calendars(type);
        return StoreError { m_tried ? m_error : std::string("The Evolution Data Server module is not loaded yet") };
    }

    void fetchReminders(const std::vector<std::string>& sourceUids, std::function<void(RemindersResult)> completion) override
    {
        if (EventStore* store = loaded())
            return store->fetchReminders(sourceUids, std::move(completion));
        completion(StoreError { m_error });
    }

    void refreshLists(StoreEntityType type, const std::vector<std::string>& sourceUids,
        std::function<void(std::vector<StoreStaleList>)> completion) override
    {
        if (EventStore* store = loaded())
            return store->refreshLists(type, sourceUids, std::move(completion));
        completion({});
    }

    void fetchEvents(Instant start, Instant end, const std::vector<std::string>& sourceUids,
        std::function<void(EventsResult)> completion) override
    {
        if (EventStore* store = loaded())
            return store->fetchEvents(start, end, sourceUids, std::move(completion));
        completion(StoreError { m_error });
    }

    std::optional<StoreCalendar> defaultCalendarForNewReminders() const override
    {
        return m_store ? m_store->defaultCalendarForNewReminders() : std::nullopt;
    }

    void saveReminder(StoreReminder reminder, std::function<void(SaveResult)> completion) override
    {
        if (EventStore* store = loaded())
            return store->saveReminder(std::move(reminder), std::move(completion));
        completion(StoreError { m_error });
    }

    void setChangeHandler(std::function<void()> handler) override
    {
        if (m_store || m_tried || !handler || !m_defer) {
            m_pendingHandler = {};
            if (EventStore* store = handler ? loaded() : m_store.get())
                store->setChangeHandler(std::move(handler));
            return;
        }
        // Not loaded yet: the latest handler is handed over later, unless
        // an unsubscription comes first.
        bool alreadyQueued = static_cast<bool>(m_pendingHandler);
        m_pendingHandler = std::move(handler);
        if (alreadyQueued)
            return;
        std::weak_ptr<EdsModuleEventStore*> alive = m_lifetime;
        m_defer([alive] {
            auto self = alive.lock();
            if (!self || !(*self)->m_pendingHandler)
                return;
            std::function<void()> handler = std::move((*self)->m_pendingHandler);
            (*self)->m_pendingHandler = {};
            if (EventStore* store = (*self)->loaded())
                store->setChangeHandler(std::move(handler));
        });
    }

private:
    // The module's store, loading it on the first call; null when it
    // cannot be had (m_error says why).
    EventStore* loaded()
    {
        if (m_store || m_tried)
            return m_store.get();
        m_tried = true;
        std::string reason;
        // RTLD_NOW: a library or symbol missing under the module shows up
        // here, as a load failure, instead of as a crash on a later call.
        void* library = ::dlopen(m_module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* message = ::dlerror();
            reason = message ? message : "cannot be opened";
        } else if (auto create = reinterpret_cast<CreateFunction>(::dlsym(library, EdsModule::entryPoint)); !create) {
            reason = std::string("it has no ") + EdsModule::entryPoint;
        } else {
            m_store.reset(create(EdsModule::interfaceId(), m_timeZoneId.c_str()));
            if (!m_store)
                reason = "it was built for another version of the program";
        }
        if (m_store) {
            log("Loaded the Evolution Data Server module " + m_module.string());
            return m_store.get();
        }
        m_error = "The Evolution Data Server module could not be loaded (" + m_module.string() + "): " + reason;
        log("Sync is unavailable: " + m_error);
        return nullptr;
    }

    void log(const std::string& message)
    {
        if (m_logger)
            m_logger->log(message);
    }

    std::filesystem::path m_module;
    std::string m_timeZoneId;
    AppLogger* m_logger;
    DeferFunction m_defer;
    std::unique_ptr<EventStore> m_store;
    bool m_tried = false;
    std::string m_error;
    std::function<void()> m_pendingHandler;
    std::shared_ptr<EdsModuleEventStore*> m_lifetime = std::make_shared<EdsModuleEventStore*>(this);
};

} // namespace

std::unique_ptr<EventStore> makeEdsModuleEventStore(std::filesystem::path module, std::string timeZoneId, AppLogger* logger,
    DeferFunction defer)
{
    return std::make_unique<EdsModuleEventStore>(std::move(module), std::move(timeZoneId), logger, std::move(defer));
}

std::unique_ptr<SyncService> makeEdsModuleSyncService(const Clock& clock, const UserCalendar& calendar,
    std::filesystem::path module, AppLogger* logger, DeferFunction defer)
{
    return std::make_unique<ReminderSyncEngine>(
        makeEdsModuleEventStore(std::move(module), calendar.timeZoneId(), logger, std::move(defer)), clock, calendar);
}

} // namespace brivet
