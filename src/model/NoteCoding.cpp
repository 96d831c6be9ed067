#include "model/NoteCoding.h"

#include "model/JsonWriter.h"
#include "model/UserCalendar.h"

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace brivet {

// --- Dates -------------------------------------------------------------------

std::optional<int> parseDecimal(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string formatIsoDate(Instant instant)
{
    std::string out;
    appendIsoDate(out, instant);
    return out;
}

namespace {

long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool digits(std::string_view text, std::size_t at, std::size_t count, unsigned& value)
{
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

unsigned daysInMonth(unsigned year, unsigned month)
{
    static constexpr unsigned lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

} // namespace

std::optional<Instant> parseIsoDate(std::string_view text)
{
    // Exactly YYYY-MM-DDTHH:MM:SSZ.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':'
        || text[19] != 'Z')
        return std::nullopt;
    unsigned year, month, day, hour, minute, second;
    if (!digits(text, 0, 4, year) || !digits(text, 5, 2, month) || !digits(text, 8, 2, day) || !digits(text, 11, 2, hour)
        || !digits(text, 14, 2, minute) || !digits(text, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    long long seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return instantFromSeconds(seconds);
}

// --- Encoding ----------------------------------------------------------------

namespace {

void writeTask(JsonWriter& w, const NoteTask& task)
{
    w.beginObject();
    w.key("id");
    w.value(task.id);
    w.key("isCompleted");
    w.value(task.isCompleted);
    if (task.linkedDueDate) {
        w.key("linkedDueDate");
        w.date(*task.linkedDueDate);
    }
    if (task.linkedNoteID) {
        w.key("linkedNoteID");
        w.value(*task.linkedNoteID);
    }
    if (task.linkedSource) {
        w.key("linkedSource");
        w.value(rawValue(*task.linkedSource));
    }
    w.key("title");
    w.value(task.title);
    w.endObject();
}

void writeNote(JsonWriter& w, const StickyNote& note)
{
    w.beginObject();
    w.key("category");
    w.value(note.category);
    if (note.contentUpdatedAt) {
        w.key("contentUpdatedAt");
        w.date(*note.contentUpdatedAt);
    }
    w.key("createdAt");
    w.date(note.createdAt);
    if (note.deferredUntil) {
        w.key("deferredUntil");
        w.date(*note.deferredUntil);
    }
    w.key("details");
    w.value(note.details);
    w.key("displayMode");
    w.value(rawValue(note.displayMode));
    if (note.dueDate) {
        w.key("dueDate");
        w.date(*note.dueDate);
    }
    if (note.externalLink) {
        const ExternalLink& link = *note.externalLink;
        w.key("externalLink");
        w.beginObject();
        w.key("externalID");
        w.value(link.externalID);
        if (link.lastExternalModifiedAt) {
            w.key("lastExternalModifiedAt");
            w.date(*link.lastExternalModifiedAt);
        }
        if (link.lastSyncedAt) {
            w.key("lastSyncedAt");
            w.date(*link.lastSyncedAt);
        }
        w.key("source");
        w.value(rawValue(link.source));
        w.endObject();
    }
    w.key("frame");
    w.beginObject();
    w.key("height");
    w.value(note.frame.height);
    w.key("sizePreset");
    w.value(rawValue(note.frame.sizePreset));
    w.key("width");
    w.value(note.frame.width);
    w.key("x");
    w.value(note.frame.x);
    w.key("y");
    w.value(note.frame.y);
    w.endObject();
    w.key("group");
    w.value(note.group);
    w.key("id");
    w.value(note.id);
    w.key("isCompleted");
    w.value(note.isCompleted);
    w.key("isHidden");
    w.value(note.isHidden);
    w.key("priority");
    w.value(static_cast<int>(note.priority));
    w.key("source");
    w.value(rawValue(note.source));
    w.key("style");
    w.beginObject();
    if (note.style.customHexColor) {
        w.key("customHexColor");
        w.value(*note.style.customHexColor);
    }
    w.key("fontScale");
    w.value(note.style.fontScale);
    w.key("opacity");
    w.value(note.style.opacity);
    w.key("theme");
    w.value(rawValue(note.style.theme));
    w.endObject();
    w.key("surfaceRole");
    w.value(rawValue(note.surfaceRole));
    w.key("syncToReminders");
    w.value(note.syncToReminders);
    w.key("tasks");
    w.beginArray();
    for (const NoteTask& task : note.tasks)
        writeTask(w, task);
    w.endArray();
    w.key("title");
    w.value(note.title);
    w.key("updatedAt");
    w.date(note.updatedAt);
    w.endObject();
}

void writeIdSet(JsonWriter& w, const std::set<std::string>& ids)
{
    w.beginArray();
    for (const std::string& id : ids)
        w.value(id);
    w.endArray();
}

void writePreferences(JsonWriter& w, const AppPreferences& p)
{
    w.beginObject();
    w.key("autoGenerateFocusBoard");
    w.value(p.autoGenerateFocusBoard);
    w.key("autoGenerateUpcomingBoard");
    w.value(p.autoGenerateUpcomingBoard);
    w.key("autoSyncEnabled");
    w.value(p.autoSyncEnabled);
    w.key("calendarLookaheadDays");
    w.value(p.calendarLookaheadDays);
    w.key("defaultOpacity");
    w.value(p.defaultOpacity);
    w.key("defaultTheme");
    w.value(rawValue(p.defaultTheme));
    w.key("desktopSurfaceMode");
    w.value(rawValue(p.desktopSurfaceMode));
    w.key("focusBoardTaskLimit");
    w.value(p.focusBoardTaskLimit);
    // Only once the user changed a key: files stay as they were until then.
    if (!p.globalShortcuts.empty()) {
        w.key("globalShortcuts");
        w.beginObject();
        for (const auto& [action, keys] : p.globalShortcuts) {
            w.key(action);
            w.value(keys);
        }
        w.endObject();
    }
    w.key("hasActivatedSync");
    w.value(p.hasActivatedSync);
    w.key("hasInitializedCalendarSelection");
    w.value(p.hasInitializedCalendarSelection);
    w.key("hasInitializedReminderSelection");
    w.value(p.hasInitializedReminderSelection);
    w.key("includeCalendarEvents");
    w.value(p.includeCalendarEvents);
    w.key("menuBarTitleMode");
    w.value(rawValue(p.menuBarTitleMode));
    w.key("noteWindowLayerMode");
    w.value(rawValue(p.noteWindowLayerMode));
    w.key("noticeAtCalendarEventStart");
    w.value(p.noticeAtCalendarEventStart);
    w.key("noticeWhenDeferralEnds");
    w.value(p.noticeWhenDeferralEnds);
    w.key("noticeWhenDue");
    w.value(p.noticeWhenDue);
    w.key("noticesEnabled");
    w.value(p.noticesEnabled);
    if (p.noticesHandledUntil) {
        w.key("noticesHandledUntil");
        w.date(*p.noticesHandledUntil);
    }
    w.key("onlyImportHighPriorityReminders");
    w.value(p.onlyImportHighPriorityReminders);
    w.key("reminderSyncRequiresDueDate");
    w.value(p.reminderSyncRequiresDueDate);
    w.key("selectedCalendarIDs");
    writeIdSet(w, p.selectedCalendarIDs);
    w.key("selectedReminderListIDs");
    writeIdSet(w, p.selectedReminderListIDs);
    w.key("syncDateScope");
    w.value(rawValue(p.syncDateScope));
    w.key("syncEndDate");
    w.date(p.syncEndDate);
    w.key("syncStartDate");
    w.date(p.syncStartDate);
    w.endObject();
}

} // namespace

void encodeNotesFile(const std::vector<StickyNote>& notes, std::string& out)
{
    out.clear();
    JsonWriter w(out);
    w.beginObject();
    w.key("notes");
    w.beginArray();
    for (const StickyNote& note : notes)
        writeNote(w, note);
    w.endArray();
    w.key("version");
    w.value(1);
    w.endObject();
    out.push_back('\n');
}

std::string encodeNotesFile(const std::vector<StickyNote>& notes)
{
    std::string out;
    out.reserve(notes.size() * 1200 + 64);
    encodeNotesFile(notes, out);
    return out;
}

std::string encodePreferencesFile(const AppPreferences& preferences)
{
    std::string out;
    JsonWriter w(out);
    w.beginObject();
    w.key("preferences");
    writePreferences(w, preferences);
    w.key("version");
    w.value(1);
    w.endObject();
    out.push_back('\n');
    return out;
}

std::string encodeTrashFile(const std::vector<TrashEntry>& entries)
{
    std::string out;
    JsonWriter w(out);
    w.beginObject();
    w.key("trash");
    w.beginArray();
    for (const TrashEntry& entry : entries) {
        w.beginObject();
        w.key("boardLines");
        w.beginArray();
        for (const TrashedBoardLine& line : entry.boardLines) {
            w.beginObject();
            w.key("boardID");
            w.value(line.boardId);
            w.key("line");
            writeTask(w, line.line);
            w.key("position");
            w.value(static_cast<long long>(line.position));
            w.endObject();
        }
        w.endArray();
        w.key("deletedAt");
        w.date(entry.deletedAt);
        w.key("note");
        writeNote(w, entry.note);
        w.key("position");
        w.value(static_cast<long long>(entry.position));
        w.endObject();
    }
    w.endArray();
    w.key("version");
    w.value(1);
    w.endObject();
    out.push_back('\n');
    return out;
}

std::string encodeNote(const StickyNote& note)
{
    std::string out;
    JsonWriter w(out);
    writeNote(w, note);
    return out;
}

std::string encodePreferences(const AppPreferences& preferences)
{
    std::string out;
    JsonWriter w(out);
    writePreferences(w, preferences);
    return out;
}

// --- Decoding ----------------------------------------------------------------
//
// The files are read in one forward pass over the parser's index of the
// text: no document tree is built, and strings without escapes are taken
// from the text in place. Values of keys this program does not know are
// passed over unread, and a text that has any is then checked whole.

namespace {

namespace od = simdjson::ondemand;

// Thrown only inside this file and caught at the entry points: a decoding
// failure anywhere fails the whole record, as deep as it happens.
struct Failure {
    std::string message;
    std::optional<std::size_t> noteIndex = std::nullopt;
};

[[noreturn]] void fail(std::string_view field, std::string_view problem)
{
    throw Failure { std::string(field) + ": " + std::string(problem) };
}

// The text is not JSON at the point reached.
[[noreturn]] void failJson(simdjson::error_code error)
{
    throw Failure { std::string("not valid JSON: ") + simdjson::error_message(error) };
}

// A value of the wrong type is the record's fault; anything else found on
// the way (a broken structure, an unfinished text) is the text's.
void check(simdjson::error_code error, std::string_view field, std::string_view problem)
{
    if (error == simdjson::INCORRECT_TYPE)
        fail(field, problem);
    if (error)
        failJson(error);
}

// The string that starts at `begin` (just past its opening quote) as it
// stands in the text, when it has no escapes to undo. The text's index
// guarantees the closing quote.
std::optional<std::string_view> plainString(const char* begin)
{
    for (const char* end = begin; *end != '\\'; ++end) {
        if (*end == '"')
            return std::string_view(begin, static_cast<std::size_t>(end - begin));
    }
    return std::nullopt;
}

std::string_view asString(od::value value, std::string_view field)
{
    // The token runs from the opening quote to the closing one (and the
    // blanks after it).
    const std::string_view token = value.raw_json_token();
    if (token.empty() || token.front() != '"')
        fail(field, "expected a string");
    if (auto plain = plainString(token.data() + 1))
        return *plain;
    std::string_view text;
    if (value.get_string().get(text))
        fail(field, "expected a string");
    return text;
}

bool asBool(od::value value, std::string_view field)
{
    bool flag;
    if (value.get_bool().get(flag))
        fail(field, "expected a boolean");
    return flag;
}

double asDouble(od::value value, std::string_view field)
{
    double number;
    if (value.get_double().get(number))
        fail(field, "expected a number");
    return number;
}

// An integral number; one beyond the range of long long is taken as the
// nearest end of it (the callers clamp further where they have a range).
long long asInteger(od::value value, std::string_view field)
{
    int64_t integer;
    if (!value.get_int64().get(integer))
        return integer;
    uint64_t unsignedInteger;
    if (!value.get_uint64().get(unsignedInteger))
        return std::numeric_limits<long long>::max();
    double number;
    if (value.get_double().get(number) || !std::isfinite(number) || number != std::trunc(number))
        fail(field, "expected an integer");
    // 2^63 is exactly representable; every double below it converts.
    constexpr double limit = 9223372036854775808.0;
    if (number >= limit)
        return std::numeric_limits<long long>::max();
    if (number < -limit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(number);
}

Instant asDate(od::value value, std::string_view field)
{
    auto date = parseIsoDate(asString(value, field));
    if (!date)
        fail(field, "expected a date like 2026-12-05T10:38:12Z");
    return *date;
}

Uuid asUuid(od::value value, std::string_view field)
{
    auto id = Uuid::fromString(asString(value, field));
    if (!id)
        fail(field, "expected a UUID");
    return *id;
}

template<typename T>
T asEnum(od::value value, std::string_view field)
{
    auto parsed = fromRawValue<T>(asString(value, field));
    if (!parsed)
        fail(field, "unknown value");
    return *parsed;
}

od::array asArray(od::value value, std::string_view field, std::string_view problem)
{
    od::array array;
    check(value.get_array().get(array), field, problem);
    return array;
}

// How many items a list holds, counted ahead of reading them.
std::size_t countOf(od::array& array)
{
    std::size_t count = 0;
    if (auto error = array.count_elements().get(count))
        failJson(error);
    return count;
}

template<typename Body>
void forEachItem(od::array& array, Body&& body)
{
    for (auto result : array) {
        od::value item;
        if (auto error = result.get(item))
            failJson(error);
        body(item);
    }
}

// The key as written. Every key this program writes is plain; one with
// escapes is unescaped first.
std::string_view keyOf(simdjson::simdjson_result<od::field>& entry)
{
    od::raw_json_string raw;
    if (auto error = entry.key().get(raw))
        failJson(error);
    if (auto plain = plainString(raw.raw()))
        return *plain;
    std::string_view key;
    if (auto error = entry.unescaped_key().get(key))
        failJson(error);
    return key;
}

// Whether the document being read had values passed over unread (those of
// keys this program does not know). Passing over does not check them, so
// such a text is checked as a whole before it is taken.
thread_local bool passedOverValues = false;

// Every field of an object, in the order written. `body` answers whether
// it read the value.
template<typename Body>
void forEachEntry(od::value value, std::string_view field, Body&& body)
{
    od::object object;
    check(value.get_object().get(object), field, "expected an object");
    for (auto entry : object) {
        std::string_view key = keyOf(entry);
        od::value v;
        if (auto error = entry.value().get(v))
            failJson(error);
        if (!body(key, v))
            passedOverValues = true;
    }
}

// The same without the fields that are null, which read as absent.
template<typename Body>
void forEachField(od::value value, std::string_view field, Body&& body)
{
    forEachEntry(value, field, [&](std::string_view key, od::value v) {
        bool isNull = false;
        if (auto error = v.is_null().get(isNull))
            failJson(error);
        return isNull || body(key, v);
    });
}

NoteTask decodeTask(od::value value)
{
    NoteTask task;
    bool hasId = false;
    forEachField(value, "tasks", [&](std::string_view key, od::value v) {
        if (key == "id") {
            task.id = asUuid(v, "task id");
            hasId = true;
        } else if (key == "title") {
            task.title = asString(v, "task title");
        } else if (key == "isCompleted") {
            task.isCompleted = asBool(v, "task isCompleted");
        } else if (key == "linkedNoteID") {
            task.linkedNoteID = asUuid(v, "linkedNoteID");
        } else if (key == "linkedSource") {
            task.linkedSource = asEnum<NoteSource>(v, "linkedSource");
        } else if (key == "linkedDueDate") {
            task.linkedDueDate = asDate(v, "linkedDueDate");
        } else {
            return false;
        }
        return true;
    });
    if (!hasId)
        task.id = Uuid::random();
    return task;
}

NoteFrame decodeFrame(od::value value)
{
    NoteFrame frame;
    unsigned seen = 0;
    forEachField(value, "frame", [&](std::string_view key, od::value v) {
        if (key == "x") {
            frame.x = asDouble(v, "frame x");
            seen |= 1;
        } else if (key == "y") {
            frame.y = asDouble(v, "frame y");
            seen |= 2;
        } else if (key == "width") {
            frame.width = asDouble(v, "frame width");
            seen |= 4;
        } else if (key == "height") {
            frame.height = asDouble(v, "frame height");
            seen |= 8;
        } else if (key == "sizePreset") {
            frame.sizePreset = asEnum<NoteSizePreset>(v, "frame sizePreset");
            seen |= 16;
        } else {
            return false;
        }
        return true;
    });
    if (seen != 31)
        fail("frame", "x, y, width, height and sizePreset are required");
    return frame;
}

NoteStyle decodeStyle(od::value value)
{
    NoteStyle style;
    unsigned seen = 0;
    forEachField(value, "style", [&](std::string_view key, od::value v) {
        if (key == "theme") {
            style.theme = asEnum<NoteTheme>(v, "style theme");
            seen |= 1;
        } else if (key == "opacity") {
            style.opacity = asDouble(v, "style opacity");
            seen |= 2;
        } else if (key == "fontScale") {
            style.fontScale = asDouble(v, "style fontScale");
            seen |= 4;
        } else if (key == "customHexColor") {
            style.customHexColor = std::string(asString(v, "style customHexColor"));
        } else {
            return false;
        }
        return true;
    });
    if (seen != 7)
        fail("style", "theme, opacity and fontScale are required");
    return style;
}

ExternalLink decodeLink(od::value value)
{
    ExternalLink link;
    unsigned seen = 0;
    forEachField(value, "externalLink", [&](std::string_view key, od::value v) {
        if (key == "source") {
            link.source = asEnum<NoteSource>(v, "externalLink source");
            seen |= 1;
        } else if (key == "externalID") {
            link.externalID = asString(v, "externalLink externalID");
            seen |= 2;
        } else if (key == "lastSyncedAt") {
            link.lastSyncedAt = asDate(v, "externalLink lastSyncedAt");
        } else if (key == "lastExternalModifiedAt") {
            link.lastExternalModifiedAt = asDate(v, "externalLink lastExternalModifiedAt");
        } else {
            return false;
        }
        return true;
    });
    if (seen != 3)
        fail("externalLink", "source and externalID are required");
    return link;
}

StickyNote decodeNoteElement(od::value value, Instant now)
{
    StickyNote note;
    bool hasId = false, hasTitle = false, hasCreated = false, hasUpdated = false;
    forEachField(value, "note", [&](std::string_view key, od::value v) {
        switch (key.empty() ? '\0' : key[0]) {
        case 'c':
            if (key == "category")
                note.category = asString(v, key);
            else if (key == "contentUpdatedAt")
                note.contentUpdatedAt = asDate(v, key);
            else if (key == "createdAt") {
                note.createdAt = asDate(v, key);
                hasCreated = true;
            } else
                return false;
            break;
        case 'd':
            if (key == "details")
                note.details = asString(v, key);
            else if (key == "dueDate")
                note.dueDate = asDate(v, key);
            else if (key == "displayMode")
                note.displayMode = asEnum<NoteDisplayMode>(v, key);
            else if (key == "deferredUntil")
                note.deferredUntil = asDate(v, key);
            else
                return false;
            break;
        case 'e':
            if (key == "externalLink")
                note.externalLink = decodeLink(v);
            else
                return false;
            break;
        case 'f':
            if (key == "frame")
                note.frame = decodeFrame(v);
            else
                return false;
            break;
        case 'g':
            if (key == "group")
                note.group = asString(v, key);
            else
                return false;
            break;
        case 'i':
            if (key == "id") {
                note.id = asUuid(v, key);
                hasId = true;
            } else if (key == "isCompleted")
                note.isCompleted = asBool(v, key);
            else if (key == "isHidden")
                note.isHidden = asBool(v, key);
            else
                return false;
            break;
        case 'p':
            if (key == "priority") {
                int64_t number;
                if (v.get_int64().get(number))
                    fail(key, "expected 1, 5 or 9");
                auto priority = priorityFromRawValue(number);
                if (!priority)
                    fail(key, "expected 1, 5 or 9");
                note.priority = *priority;
            } else
                return false;
            break;
        case 's':
            if (key == "source")
                note.source = asEnum<NoteSource>(v, key);
            else if (key == "style")
                note.style = decodeStyle(v);
            else if (key == "surfaceRole")
                note.surfaceRole = asEnum<NoteSurfaceRole>(v, key);
            else if (key == "syncToReminders")
                note.syncToReminders = asBool(v, key);
            else
                return false;
            break;
        case 't':
            if (key == "title") {
                note.title = asString(v, key);
                hasTitle = true;
            } else if (key == "tasks") {
                od::array tasks = asArray(v, key, "expected a list");
                note.tasks.clear();
                note.tasks.reserve(countOf(tasks));
                forEachItem(tasks, [&](od::value task) { note.tasks.push_back(decodeTask(task)); });
            } else
                return false;
            break;
        case 'u':
            if (key == "updatedAt") {
                note.updatedAt = asDate(v, key);
                hasUpdated = true;
            } else
                return false;
            break;
        default:
            return false;
        }
        return true;
    });
    if (!hasId)
        fail("id", "required");
    if (!hasTitle)
        fail("title", "required");
    if (!hasCreated)
        note.createdAt = now;
    if (!hasUpdated)
        note.updatedAt = now;
    note.recomputeCompletion();
    return note;
}

std::set<std::string> asIdSet(od::value value, std::string_view field)
{
    od::array items = asArray(value, field, "expected a list of strings");
    std::set<std::string> ids;
    forEachItem(items, [&](od::value item) { ids.emplace(asString(item, field)); });
    return ids;
}

// The notice settings came later than the file: a value of another type
// or an unreadable date keeps the default rather than failing the file.
bool readNoticePreference(AppPreferences& p, std::string_view key, od::value v)
{
    bool* flag = key == "noticesEnabled"      ? &p.noticesEnabled
        : key == "noticeWhenDue"              ? &p.noticeWhenDue
        : key == "noticeWhenDeferralEnds"     ? &p.noticeWhenDeferralEnds
        : key == "noticeAtCalendarEventStart" ? &p.noticeAtCalendarEventStart
                                              : nullptr;
    // A value of another type stays unread: the text is then checked whole.
    if (flag) {
        bool value;
        if (!v.get_bool().get(value))
            *flag = value;
        else
            passedOverValues = true;
        return true;
    }
    if (key != "noticesHandledUntil")
        return false;
    std::string_view text;
    if (!v.get_string().get(text))
        p.noticesHandledUntil = parseIsoDate(text);
    else
        passedOverValues = true;
    return true;
}

// The user's keys came later too: when the value is no object every action
// keeps its default key, and an action whose key is no string keeps its own.
void readShortcutPreferences(AppPreferences& p, od::value v)
{
    od::object object;
    if (auto error = v.get_object().get(object)) {
        if (error != simdjson::INCORRECT_TYPE)
            failJson(error);
        passedOverValues = true;
        return;
    }
    for (auto entry : object) {
        std::string_view action = keyOf(entry);
        od::value keys;
        if (auto error = entry.value().get(keys))
            failJson(error);
        std::string_view text;
        if (!keys.get_string().get(text))
            p.globalShortcuts[std::string(action)] = std::string(text);
        else
            passedOverValues = true;
    }
}

AppPreferences decodePreferencesElement(od::value value, const UserCalendar& calendar, Instant now)
{
    AppPreferences p = AppPreferences::defaultValue(calendar, now);
    forEachField(value, "preferences", [&](std::string_view key, od::value v) {
        if (key == "autoSyncEnabled")
            p.autoSyncEnabled = asBool(v, key);
        else if (key == "hasActivatedSync")
            p.hasActivatedSync = asBool(v, key);
        else if (key == "includeCalendarEvents")
            p.includeCalendarEvents = asBool(v, key);
        else if (key == "defaultTheme")
            p.defaultTheme = asEnum<NoteTheme>(v, key);
        else if (key == "defaultOpacity")
            p.defaultOpacity = asDouble(v, key);
        else if (key == "calendarLookaheadDays")
            p.calendarLookaheadDays = asInteger(v, key);
        else if (key == "syncDateScope")
            p.syncDateScope = asEnum<SyncDateScope>(v, key);
        else if (key == "syncStartDate")
            p.syncStartDate = asDate(v, key);
        else if (key == "syncEndDate")
            p.syncEndDate = asDate(v, key);
        else if (key == "selectedReminderListIDs")
            p.selectedReminderListIDs = asIdSet(v, key);
        else if (key == "selectedCalendarIDs")
            p.selectedCalendarIDs = asIdSet(v, key);
        else if (key == "hasInitializedReminderSelection")
            p.hasInitializedReminderSelection = asBool(v, key);
        else if (key == "hasInitializedCalendarSelection")
            p.hasInitializedCalendarSelection = asBool(v, key);
        else if (key == "autoGenerateFocusBoard")
            p.autoGenerateFocusBoard = asBool(v, key);
        else if (key == "autoGenerateUpcomingBoard")
            p.autoGenerateUpcomingBoard = asBool(v, key);
        else if (key == "desktopSurfaceMode")
            p.desktopSurfaceMode = asEnum<DesktopSurfaceMode>(v, key);
        else if (key == "reminderSyncRequiresDueDate")
            p.reminderSyncRequiresDueDate = asBool(v, key);
        else if (key == "onlyImportHighPriorityReminders")
            p.onlyImportHighPriorityReminders = asBool(v, key);
        else if (key == "focusBoardTaskLimit")
            p.focusBoardTaskLimit = AppPreferences::clampedTaskLimit(asInteger(v, key));
        else if (key == "noteWindowLayerMode")
            p.noteWindowLayerMode = asEnum<NoteWindowLayerMode>(v, key);
        else if (key == "menuBarTitleMode")
            p.menuBarTitleMode = asEnum<MenuBarTitleMode>(v, key);
        else if (readNoticePreference(p, key, v))
            return true;
        else if (key == "globalShortcuts")
            readShortcutPreferences(p, v);
        else
            return false;
        return true;
    });
    return p;
}

// One parser per thread, reused: its index grows to the largest file seen
// and goes with the thread.
od::parser& sharedParser()
{
    thread_local od::parser parser;
    return parser;
}

static_assert(jsonReadPadding >= simdjson::SIMDJSON_PADDING);

// Below this size a buffer does not span a whole huge page once aligned.
constexpr std::size_t hugeRegion = std::size_t(4) << 20;

// Asks for transparent huge pages over [data, data + bytes): the parts of
// the range that get touched then cost a page fault per 2 MiB instead of
// per 4 KiB. Only a hint; nothing changes where the system does not offer
// them.
void adviseHugePages(const void* data, std::size_t bytes)
{
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// `body` reads the root value; the text must end with it.
template<typename T, typename F>
Decoded<T> decodeDocument(std::string_view json, bool isPadded, F&& body)
{
    std::optional<simdjson::padded_string> copy;
    if (!isPadded)
        copy.emplace(json);
    const char* text = copy ? copy->data() : json.data();
    passedOverValues = false;
    try {
        od::document document;
        if (auto error = sharedParser().iterate(text, json.size(), json.size() + simdjson::SIMDJSON_PADDING).get(document))
            failJson(error);
        od::value root;
        if (auto error = document.get_value().get(root))
            failJson(error);
        T result = body(root);
        // Only the end of the text is out of bounds once the root is read.
        if (!document.current_location().error())
            failJson(simdjson::TRAILING_CONTENT);
        if (passedOverValues) {
            simdjson::dom::parser whole;
            simdjson::dom::element ignored;
            if (auto error = whole.parse(text, json.size(), false).get(ignored))
                failJson(error);
        }
        return result;
    } catch (const Failure& failure) {
        return DecodeError { failure.message, failure.noteIndex };
    }
}

// {"<payloadKey>": ..., "version": <integer>}, the payload read by `read`.
template<typename Read>
void readEnvelope(od::value root, std::string_view payloadKey, Read&& read)
{
    bool hasVersion = false, hasPayload = false;
    forEachEntry(root, "file", [&](std::string_view key, od::value v) {
        if (key == "version") {
            asInteger(v, "version");
            hasVersion = true;
        } else if (key == payloadKey) {
            read(v);
            hasPayload = true;
        } else {
            return false;
        }
        return true;
    });
    if (!hasVersion)
        fail("version", "required");
    if (!hasPayload)
        fail(payloadKey, "required");
}

constexpr std::size_t spareNotesCapacity = 16;

std::vector<StickyNote> decodeNoteList(od::value value, Instant now)
{
    od::array items = asArray(value, "notes", "expected a list");
    std::vector<StickyNote> notes;
    // Room for the boards a launch generates and the first notes added
    // after it: growing the list moves every note into fresh memory, which
    // over thousands of notes costs more than the decoding.
    notes.reserve(countOf(items) + spareNotesCapacity);
    if (notes.capacity() * sizeof(StickyNote) >= hugeRegion)
        adviseHugePages(notes.data(), notes.capacity() * sizeof(StickyNote));
    // Which note failed, so that a hand-edited file can be mended.
    forEachItem(items, [&](od::value item) {
        try {
            notes.push_back(decodeNoteElement(item, now));
        } catch (Failure& failure) {
            const std::size_t index = notes.size();
            throw Failure { "note " + std::to_string(index) + ": " + failure.message, index };
        }
    });
    return notes;
}

Decoded<std::vector<StickyNote>> decodeNotes(std::string_view json, bool isPadded, Instant now)
{
    return decodeDocument<std::vector<StickyNote>>(json, isPadded, [&](od::value root) {
        std::vector<StickyNote> notes;
        readEnvelope(root, "notes", [&](od::value payload) { notes = decodeNoteList(payload, now); });
        return notes;
    });
}

// A position in a list: negative ones read as the front, and the state
// clamps any that lie past the end.
std::size_t asPosition(od::value value, std::string_view field)
{
    return static_cast<std::size_t>(std::max(0LL, asInteger(value, field)));
}

TrashedBoardLine decodeBoardLine(od::value value)
{
    TrashedBoardLine line;
    unsigned seen = 0;
    forEachField(value, "boardLines", [&](std::string_view key, od::value v) {
        if (key == "boardID") {
            line.boardId = asUuid(v, "boardID");
            seen |= 1;
        } else if (key == "line") {
            line.line = decodeTask(v);
            seen |= 2;
        } else if (key == "position") {
            line.position = asPosition(v, "board line position");
        } else {
            return false;
        }
        return true;
    });
    if (seen != 3)
        fail("boardLines", "boardID and line are required");
    return line;
}

TrashEntry decodeTrashEntry(od::value value, Instant now)
{
    TrashEntry entry;
    unsigned seen = 0;
    forEachField(value, "trash", [&](std::string_view key, od::value v) {
        if (key == "note") {
            entry.note = decodeNoteElement(v, now);
            seen |= 1;
        } else if (key == "deletedAt") {
            entry.deletedAt = asDate(v, "deletedAt");
            seen |= 2;
        } else if (key == "position") {
            entry.position = asPosition(v, "position");
        } else if (key == "boardLines") {
            od::array lines = asArray(v, "boardLines", "expected a list");
            forEachItem(lines, [&](od::value item) { entry.boardLines.push_back(decodeBoardLine(item)); });
        } else {
            return false;
        }
        return true;
    });
    if (seen != 3)
        fail("trash", "note and deletedAt are required");
    return entry;
}

} // namespace

Decoded<std::vector<StickyNote>> decodeNotesFile(std::string_view json, Instant now)
{
    return decodeNotes(json, false, now);
}

Decoded<std::vector<StickyNote>> decodePaddedNotesFile(std::string_view json, Instant now)
{
    return decodeNotes(json, true, now);
}

Decoded<AppPreferences> decodePreferencesFile(std::string_view json, const UserCalendar& calendar, Instant now)
{
    return decodeDocument<AppPreferences>(json, false, [&](od::value root) {
        std::optional<AppPreferences> preferences;
        readEnvelope(root, "preferences", [&](od::value payload) {
            preferences = decodePreferencesElement(payload, calendar, now);
        });
        return std::move(*preferences);
    });
}

Decoded<std::vector<TrashEntry>> decodeTrashFile(std::string_view json, Instant now)
{
    return decodeDocument<std::vector<TrashEntry>>(json, false, [&](od::value root) {
        std::vector<TrashEntry> entries;
        readEnvelope(root, "trash", [&](od::value payload) {
            od::array items = asArray(payload, "trash", "expected a list");
            forEachItem(items, [&](od::value item) {
                try {
                    entries.push_back(decodeTrashEntry(item, now));
                } catch (Failure& failure) {
                    throw Failure { "entry " + std::to_string(entries.size()) + ": " + failure.message };
                }
            });
        });
        return entries;
    });
}

Decoded<StickyNote> decodeNote(std::string_view json, Instant now)
{
    return decodeDocument<StickyNote>(json, false, [&](od::value root) { return decodeNoteElement(root, now); });
}

Decoded<AppPreferences> decodePreferences(std::string_view json, const UserCalendar& calendar, Instant now)
{
    return decodeDocument<AppPreferences>(json, false, [&](od::value root) { return decodePreferencesElement(root, calendar, now); });
}

} // namespace brivet
