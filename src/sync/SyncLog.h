#pragma once

#include "model/Instant.h"
#include "model/Status.h"
#include "sync/SyncTypes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivet {

class AppLogger;
class Clock;

// One sync as the sync log shows it.
struct SyncLogEntry {
    Instant startedAt {};
    Duration duration {};
    // What asked for it: "手动", or the reason of an automatic sync
    // ("系统数据变更", "便签更新", "延后任务").
    std::string trigger;
    bool succeeded = true;
    // The status line it ended with.
    std::string status;
    SyncReport report;
    SyncActions actions;

    friend bool operator==(const SyncLogEntry&, const SyncLogEntry&) = default;
};

// The last syncs, newest first. Nothing in it is needed to sync.
class SyncLog {
public:
    static constexpr std::size_t capacity = 20;

    const std::vector<SyncLogEntry>& entries() const { return m_entries; }
    // Puts `entry` first and lets the oldest go beyond the capacity.
    void add(SyncLogEntry entry);

    friend bool operator==(const SyncLog&, const SyncLog&) = default;

private:
    std::vector<SyncLogEntry> m_entries;
};

// {"entries": [...], "version": 1}, pretty-printed with sorted keys like the
// notes file.
std::string encodeSyncLog(const SyncLog& log);
// None when the text is not such a file; entries and actions beyond the
// capacities are dropped.
std::optional<SyncLog> decodeSyncLog(std::string_view json);

// Where the sync log is kept.
class SyncLogStore {
public:
    virtual ~SyncLogStore() = default;
    // The kept log; an empty one when there is none or it cannot be read.
    virtual SyncLog load() = 0;
    // Replaces the kept log; on failure the previous file is intact. May be
    // called from another thread than load().
    virtual Status save(const SyncLog& log) = 0;
};

// sync-log.json in the data folder. A file that cannot be read is set aside
// as sync-log.json.unreadable-<UTC time> and a new log started.
class JsonSyncLogStore final : public SyncLogStore {
public:
    JsonSyncLogStore(std::filesystem::path file, const Clock& clock, AppLogger* logger = nullptr);
    SyncLog load() override;
    Status save(const SyncLog& log) override;

private:
    std::filesystem::path m_file;
    const Clock& m_clock;
    AppLogger* m_logger;
};

} // namespace brivet
