#include "sync/SyncLog.h"

#include "model/AppLogger.h"
#include "model/AtomicFile.h"
#include "model/Clock.h"
#include "model/JsonWriter.h"
#include "model/NoteCoding.h"

#include <simdjson.h>

#include <fstream>
#include <iterator>

namespace brivet {

namespace {

// Larger than any log this version writes (20 syncs of 200 actions).
constexpr std::uintmax_t largestReadableLog = 16 * 1024 * 1024;

const char* actionName(SyncActionKind kind)
{
    switch (kind) {
    case SyncActionKind::imported:
        return "imported";
    case SyncActionKind::updatedFromStore:
        return "updatedFromStore";
    case SyncActionKind::writtenToStore:
        return "writtenToStore";
    case SyncActionKind::recreated:
        return "recreated";
    case SyncActionKind::skipped:
        return "skipped";
    case SyncActionKind::failed:
        return "failed";
    }
    return "imported";
}

std::optional<SyncActionKind> actionKind(std::string_view name)
{
    for (SyncActionKind kind : { SyncActionKind::imported, SyncActionKind::updatedFromStore, SyncActionKind::writtenToStore,
             SyncActionKind::recreated, SyncActionKind::skipped, SyncActionKind::failed })
        if (name == actionName(kind))
            return kind;
    return std::nullopt;
}

void writeEntry(JsonWriter& json, const SyncLogEntry& entry)
{
    json.beginObject();
    json.key("actions");
    json.beginArray();
    for (const SyncAction& action : entry.actions.list) {
        json.beginObject();
        if (action.conflictWinner) {
            json.key("conflictWinner");
            json.value(*action.conflictWinner == SyncSide::note ? "note" : "reminder");
        }
        json.key("kind");
        json.value(actionName(action.kind));
        if (!action.reason.empty()) {
            json.key("reason");
            json.value(action.reason);
        }
        json.key("title");
        json.value(action.title);
        json.endObject();
    }
    json.endArray();
    json.key("boardsRefreshed");
    json.value(entry.report.boardsRefreshed);
    json.key("calendarImported");
    json.value(entry.report.calendarImported);
    json.key("durationMilliseconds");
    json.value(static_cast<long long>(entry.duration.count()));
    json.key("omittedActions");
    json.value(static_cast<long long>(entry.actions.omitted));
    json.key("remindersImported");
    json.value(entry.report.remindersImported);
    json.key("remindersWritten");
    json.value(entry.report.remindersWritten);
    json.key("startedAt");
    json.date(entry.startedAt);
    json.key("status");
    json.value(entry.status);
    json.key("succeeded");
    json.value(entry.succeeded);
    json.key("totalNotes");
    json.value(entry.report.totalNotes);
    json.key("trigger");
    json.value(entry.trigger);
    json.endObject();
}

bool readString(simdjson::dom::object object, std::string_view key, std::string& out)
{
    std::string_view text;
    if (object[key].get_string().get(text))
        return false;
    out = std::string(text);
    return true;
}

bool readInt(simdjson::dom::object object, std::string_view key, int& out)
{
    int64_t number = 0;
    if (object[key].get_int64().get(number) || number < 0 || number > 1'000'000'000)
        return false;
    out = static_cast<int>(number);
    return true;
}

std::optional<SyncLogEntry> readEntry(simdjson::dom::element element)
{
    simdjson::dom::object object;
    if (element.get_object().get(object))
        return std::nullopt;
    SyncLogEntry entry;
    std::string started;
    int64_t duration = 0;
    int64_t omitted = 0;
    if (!readString(object, "startedAt", started) || object["durationMilliseconds"].get_int64().get(duration)
        || object["omittedActions"].get_int64().get(omitted) || !readString(object, "trigger", entry.trigger)
        || !readString(object, "status", entry.status) || object["succeeded"].get_bool().get(entry.succeeded)
        || !readInt(object, "remindersImported", entry.report.remindersImported)
        || !readInt(object, "remindersWritten", entry.report.remindersWritten)
        || !readInt(object, "calendarImported", entry.report.calendarImported)
        || !readInt(object, "boardsRefreshed", entry.report.boardsRefreshed)
        || !readInt(object, "totalNotes", entry.report.totalNotes))
        return std::nullopt;
    auto startedAt = parseIsoDate(started);
    if (!startedAt || duration < 0 || omitted < 0)
        return std::nullopt;
    entry.startedAt = *startedAt;
    entry.duration = Duration(duration);
    simdjson::dom::array actions;
    if (object["actions"].get_array().get(actions))
        return std::nullopt;
    for (simdjson::dom::element item : actions) {
        simdjson::dom::object fields;
        std::string kindName;
        SyncAction action;
        if (item.get_object().get(fields) || !readString(fields, "kind", kindName) || !readString(fields, "title", action.title))
            return std::nullopt;
        auto kind = actionKind(kindName);
        if (!kind)
            return std::nullopt;
        action.kind = *kind;
        readString(fields, "reason", action.reason);
        std::string winner;
        if (readString(fields, "conflictWinner", winner)) {
            if (winner != "note" && winner != "reminder")
                return std::nullopt;
            action.conflictWinner = winner == "note" ? SyncSide::note : SyncSide::reminder;
        }
        entry.actions.add(std::move(action));
    }
    entry.actions.omitted += static_cast<std::size_t>(omitted);
    return entry;
}

std::string readWhole(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

void SyncLog::add(SyncLogEntry entry)
{
    m_entries.insert(m_entries.begin(), std::move(entry));
    if (m_entries.size() > capacity)
        m_entries.resize(capacity);
}

std::string encodeSyncLog(const SyncLog& log)
{
    std::string out;
    JsonWriter json(out);
    json.beginObject();
    json.key("entries");
    json.beginArray();
    for (const SyncLogEntry& entry : log.entries())
        writeEntry(json, entry);
    json.endArray();
    json.key("version");
    json.value(1);
    json.endObject();
    out.push_back('\n');
    return out;
}

std::optional<SyncLog> decodeSyncLog(std::string_view text)
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object object;
    simdjson::dom::array entries;
    int64_t version = 0;
    if (parser.parse(text.data(), text.size()).get(root) || root.get_object().get(object)
        || object["entries"].get_array().get(entries) || object["version"].get_int64().get(version) || version != 1)
        return std::nullopt;
    std::vector<SyncLogEntry> read;
    for (simdjson::dom::element item : entries) {
        auto entry = readEntry(item);
        if (!entry)
            return std::nullopt;
        read.push_back(std::move(*entry));
    }
    SyncLog log;
    // Oldest first, so the newest ends up in front.
    for (auto entry = read.rbegin(); entry != read.rend(); ++entry)
        log.add(std::move(*entry));
    return log;
}

JsonSyncLogStore::JsonSyncLogStore(std::filesystem::path file, const Clock& clock, AppLogger* logger)
    : m_file(std::move(file))
    , m_clock(clock)
    , m_logger(logger)
{
}

SyncLog JsonSyncLogStore::load()
{
    std::error_code error;
    if (!std::filesystem::exists(m_file, error))
        return {};
    const auto size = std::filesystem::file_size(m_file, error);
    std::optional<SyncLog> log;
    if (!error && size <= largestReadableLog)
        log = decodeSyncLog(readWhole(m_file));
    if (log)
        return std::move(*log);
    // Nothing depends on the log: it is kept aside for whoever wants to look
    // and a new one starts.
    std::string stamp = formatIsoDate(m_clock.now());
    std::erase(stamp, ':');
    std::filesystem::path aside = m_file;
    aside += ".unreadable-" + stamp;
    std::filesystem::rename(m_file, aside, error);
    if (m_logger)
        m_logger->log(error ? "The sync log cannot be read and cannot be set aside: " + error.message()
                            : "The sync log cannot be read; kept it as " + aside.filename().string() + " and started a new one");
    return {};
}

Status JsonSyncLogStore::save(const SyncLog& log)
{
    return writeFileAtomically(m_file, encodeSyncLog(log));
}

} // namespace brivet
