#pragma once

#include "model/AppPreferences.h"
#include "sync/SyncTypes.h"

#include <functional>
#include <variant>
#include <vector>

namespace brivet {

// The sync engine as the state sees it. Completions run on the main loop,
// possibly before the call returns.
class SyncService {
public:
    using SyncResult = std::variant<SyncExecution, SyncFailure>;
    using LinkHandler = std::function<void(const Uuid& noteId, const ExternalLink& link)>;
    virtual ~SyncService() = default;

    // Imports, writes back and deduplicates; the result is a complete new
    // notes list, or a failure that leaves the state's notes as they were.
    // One sync at a time.
    virtual void synchronize(std::vector<StickyNote> notes, AppPreferences preferences,
        std::function<void(SyncResult)> completion) = 0;
    // Gives up the running sync, if any: its completion never runs and it
    // asks nothing more of the store. Saves already sent still report
    // their links.
    virtual void abandonSync() = 0;
    // Called on the main loop as each reminder save returns, with the note
    // it was written from and the link that now points at it; also when the
    // sync fails or is abandoned afterwards. An empty function: none.
    virtual void setLinkHandler(LinkHandler handler) = 0;
    // Whether a reminder save sent to the store has not answered yet.
    virtual bool hasWritesInFlight() const = 0;
    // The selectable lists and calendars with the access flags, the selected
    // ones the store lacks among them; when the store cannot be asked, says
    // why instead. Never fails.
    virtual void fetchSourceSnapshot(const AppPreferences& preferences,
        std::function<void(SyncSourceSnapshot)> completion) = 0;
    // Called on the main loop after any change in the system store; an empty
    // function unsubscribes.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// Stands in where no system store can be reached: every sync fails with a
// clear description and the snapshot reports no access.
class UnavailableSyncService final : public SyncService {
public:
    void synchronize(std::vector<StickyNote>, AppPreferences, std::function<void(SyncResult)> completion) override
    {
        completion(SyncFailure { "The system reminders store is not available", SyncFailureKind::storeUnreachable, {} });
    }
    void abandonSync() override { }
    void setLinkHandler(LinkHandler) override { }
    bool hasWritesInFlight() const override { return false; }
    void fetchSourceSnapshot(const AppPreferences&, std::function<void(SyncSourceSnapshot)> completion) override
    {
        SyncSourceSnapshot snapshot;
        snapshot.unreachable = "The system reminders store is not available";
        completion(std::move(snapshot));
    }
    void setChangeHandler(std::function<void()>) override { }
};

} // namespace brivet
