#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace brivet;

namespace {

const Instant decodingTime = instantFromSeconds(1'796'000'000);

template<typename T>
T decoded(const Decoded<T>& result)
{
    if (auto* error = std::get_if<DecodeError>(&result))
        ADD_FAILURE() << error->message;
    return std::get<T>(result);
}

bool fails(const Decoded<StickyNote>& result) { return std::holds_alternative<DecodeError>(result); }

std::string note(const std::string& extraFields)
{
    return R"({"id":"0F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F","title":"周报")" + extraFields + "}";
}

const UserCalendar& shanghai()
{
    static const UserCalendar calendar("Asia/Shanghai", "zh_CN");
    return calendar;
}

} // namespace

TEST(RecordCoding, MinimalNoteTakesEveryDefault)
{
    StickyNote n = decoded(decodeNote(note(""), decodingTime));
    EXPECT_EQ(n.title, "周报");
    EXPECT_EQ(n.id.toString(), "0F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F");
    EXPECT_EQ(n.details, "");
    EXPECT_TRUE(n.tasks.empty());
    EXPECT_EQ(n.priority, NotePriority::normal);
    EXPECT_EQ(n.category, "收集箱");
    EXPECT_EQ(n.group, "默认");
    EXPECT_EQ(n.createdAt, decodingTime);
    EXPECT_EQ(n.updatedAt, decodingTime);
    EXPECT_EQ(n.frame, (NoteFrame { 120, 620, 500, 318, NoteSizePreset::medium }));
    EXPECT_EQ(n.style, (NoteStyle { NoteTheme::work, 0.92, std::nullopt, 1.0 }));
    EXPECT_EQ(n.source, NoteSource::local);
    EXPECT_FALSE(n.isHidden);
    EXPECT_FALSE(n.syncToReminders);
    EXPECT_EQ(n.displayMode, NoteDisplayMode::board);
    EXPECT_EQ(n.surfaceRole, NoteSurfaceRole::regular);
    EXPECT_FALSE(n.dueDate || n.externalLink || n.deferredUntil);

    // A null reads like a missing key.
    StickyNote withNull = decoded(decodeNote(note(R"(,"dueDate":null,"details":null)"), decodingTime));
    EXPECT_FALSE(withNull.dueDate);
    EXPECT_EQ(withNull.details, "");
}

TEST(RecordCoding, WrongTypesAndUnknownRawValuesFailTheNote)
{
    EXPECT_TRUE(fails(decodeNote(R"({"id":"0F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F"})", decodingTime)));
    EXPECT_TRUE(fails(decodeNote(R"({"title":"x"})", decodingTime)));
    EXPECT_TRUE(fails(decodeNote(R"({"id":"not-a-uuid","title":"x"})", decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"priority":"5")"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"priority":3)"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"priority":5.5)"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"source":"mail")"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"isHidden":"yes")"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"style":{"theme":"work","opacity":0.9})"), decodingTime)))
        << "fontScale is required inside a style";
    EXPECT_TRUE(fails(decodeNote(note(R"(,"externalLink":{"externalID":"x"})"), decodingTime)));
    EXPECT_TRUE(fails(decodeNote(note(R"(,"dueDate":"2026-12-05T10:00:00.250Z")"), decodingTime)))
        << "dates are read only as whole seconds with a Z";
    EXPECT_TRUE(fails(decodeNote(note(R"(,"dueDate":"2026-12-05T18:00:00+08:00")"), decodingTime)));

    EXPECT_EQ(decoded(decodeNote(note(R"(,"priority":9)"), decodingTime)).priority, NotePriority::high);
    EXPECT_EQ(decoded(decodeNote(note(R"(,"priority":1)"), decodingTime)).priority, NotePriority::low);
}

TEST(RecordCoding, CompletionFollowsTheTasksWhenThereAreAny)
{
    const std::string done = R"({"id":"1F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F","title":"a","isCompleted":true})";
    const std::string open = R"({"id":"2F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F","title":"b","isCompleted":false})";
    EXPECT_TRUE(decoded(decodeNote(note(R"(,"isCompleted":false,"tasks":[)" + done + "," + done + "]"), decodingTime)).isCompleted);
    EXPECT_FALSE(decoded(decodeNote(note(R"(,"isCompleted":true,"tasks":[)" + done + "," + open + "]"), decodingTime)).isCompleted);
    EXPECT_TRUE(decoded(decodeNote(note(R"(,"isCompleted":true,"tasks":[])"), decodingTime)).isCompleted);

    // A task stored without an id gets a fresh one at every read.
    std::string idless = note(R"(,"tasks":[{"title":"t","isCompleted":false}])");
    EXPECT_NE(decoded(decodeNote(idless, decodingTime)).tasks[0].id, decoded(decodeNote(idless, decodingTime)).tasks[0].id);
}

TEST(RecordCoding, EncodingOmitsAbsentFieldsAndRoundTrips)
{
    StickyNote plain = StickyNote::placeholder(Uuid::random(), decodingTime);
    std::string json = encodeNote(plain);
    for (const char* key : { "\"dueDate\"", "\"externalLink\"", "\"deferredUntil\"", "\"customHexColor\"", "null" })
        EXPECT_EQ(json.find(key), std::string::npos) << key;

    StickyNote full = plain;
    full.title = "带 \"引号\" 与\n换行 \\ 的标题";
    full.details = "第一行\t制表";
    full.dueDate = instantFromSeconds(1'796'050'000);
    full.deferredUntil = instantFromSeconds(1'796'060'000);
    full.priority = NotePriority::high;
    full.source = NoteSource::reminders;
    full.externalLink = ExternalLink { NoteSource::reminders, "abc-123", instantFromSeconds(1'796'000'100), std::nullopt };
    full.style = NoteStyle { NoteTheme::custom, 0.5, "#FFAA00", 1.25 };
    full.frame = NoteFrame { -40.5, 12.25, 344, 248, NoteSizePreset::small };
    full.surfaceRole = NoteSurfaceRole::customBoard;
    full.tasks = { NoteTask { Uuid::random(), "任务", true, Uuid::random(), NoteSource::calendar, instantFromSeconds(1'796'070'000) },
        NoteTask { Uuid::random(), "", false, std::nullopt, std::nullopt, std::nullopt } };
    full.recomputeCompletion();
    EXPECT_EQ(decoded(decodeNote(encodeNote(full), decodingTime)), full);
    EXPECT_EQ(encodeNote(full).find("lastExternalModifiedAt"), std::string::npos);
}

TEST(RecordCoding, DatesAreUtcWholeSecondsAndTheFractionIsDropped)
{
    Instant withFraction = instantFromSeconds(1'796'000'000) + Duration(750);
    EXPECT_EQ(formatIsoDate(withFraction), "2026-11-30T00:53:20Z");
    EXPECT_EQ(parseIsoDate("2026-11-30T00:53:20Z"), instantFromSeconds(1'796'000'000));
    EXPECT_FALSE(parseIsoDate("2026-11-30 00:53:20Z"));
    EXPECT_FALSE(parseIsoDate("2026-11-30T00:53:20"));
    EXPECT_FALSE(parseIsoDate("2026-13-28T00:53:20Z"));
    EXPECT_FALSE(parseIsoDate("2026-02-30T00:53:20Z"));

    StickyNote n = StickyNote::placeholder(Uuid::random(), withFraction);
    StickyNote back = decoded(decodeNote(encodeNote(n), decodingTime));
    EXPECT_EQ(back.createdAt, instantFromSeconds(1'796'000'000));
}

TEST(RecordCoding, NotesFileHasSortedKeysAtEveryLevel)
{
    StickyNote n = StickyNote::placeholder(Uuid::random(), decodingTime);
    n.deferredUntil = decodingTime;
    n.tasks.push_back(NoteTask { Uuid::random(), "t", false, Uuid::random(), NoteSource::local, std::nullopt });
    std::string file = encodeNotesFile({ n });
    auto at = [&](const char* key) { return file.find(std::string("\"") + key + "\""); };
    EXPECT_LT(at("notes"), at("version"));
    EXPECT_LT(at("category"), at("createdAt"));
    EXPECT_LT(at("createdAt"), at("deferredUntil"));
    EXPECT_LT(at("deferredUntil"), at("details"));
    EXPECT_LT(at("height"), at("sizePreset"));
    EXPECT_LT(at("sizePreset"), at("width"));
    EXPECT_LT(at("id"), at("linkedNoteID"));
    EXPECT_LT(at("linkedNoteID"), at("linkedSource"));
    EXPECT_NE(file.find('\n'), std::string::npos) << "pretty printed";

    // Any version reads; a missing envelope key does not.
    auto reread = decodeNotesFile(std::string(file).replace(file.find("\"version\" : 1"), 13, "\"version\" : 7"), decodingTime);
    EXPECT_EQ(std::get<std::vector<StickyNote>>(reread).size(), 1u);
    EXPECT_TRUE(std::holds_alternative<DecodeError>(decodeNotesFile(R"({"notes":[]})", decodingTime)));
    EXPECT_TRUE(std::holds_alternative<DecodeError>(decodeNotesFile(R"({"version":1})", decodingTime)));
    EXPECT_TRUE(std::holds_alternative<DecodeError>(
        decodeNotesFile(R"({"version":1,"notes":[{"id":"0F8E6D2C-5B4A-4C3D-9E1F-2A3B4C5D6E7F"}]})", decodingTime)));
}

TEST(RecordCoding, AFileCutShortOrFollowedByMoreFailsAsAWhole)
{
    StickyNote first = StickyNote::placeholder(Uuid::random(), decodingTime);
    first.details = "两行\n说明";
    first.tasks.push_back(NoteTask { Uuid::random(), "任务", false, std::nullopt, std::nullopt, std::nullopt });
    StickyNote second = StickyNote::placeholder(Uuid::random(), decodingTime);
    second.title = "第二条";
    const std::string file = encodeNotesFile({ first, second });
    const std::size_t end = file.find_last_of('}') + 1;

    // Whatever follows the bytes read (here digits, which would extend a
    // number left open at the cut) must not change the outcome.
    std::string padded;
    for (std::size_t cut = 0; cut < end; ++cut) {
        padded.assign(file, 0, cut);
        padded.append(jsonReadPadding, '7');
        auto read = decodePaddedNotesFile(std::string_view(padded).substr(0, cut), decodingTime);
        ASSERT_TRUE(std::holds_alternative<DecodeError>(read)) << "cut at " << cut << " of " << file.size();
    }
    EXPECT_EQ(decoded(decodeNotesFile(file.substr(0, end), decodingTime)).size(), 2u);
    EXPECT_TRUE(std::holds_alternative<DecodeError>(decodeNotesFile(file + "{}", decodingTime)));
    EXPECT_TRUE(std::holds_alternative<DecodeError>(decodeNotesFile(file + "x", decodingTime)));

    // Keys written with escapes are the keys they spell; what an unknown key
    // holds is passed over, but it has to be JSON all the same.
    StickyNote spelled = decoded(decodeNote(note(R"(,"\u0064etails":"a\"b","later":{"x":[1,{"y":null}]})"), decodingTime));
    EXPECT_EQ(spelled.details, "a\"b");
    for (const char* broken : { R"(,"later":[1,tru])", R"(,"later":{"x"})", R"(,"later":[}])" })
        EXPECT_TRUE(fails(decodeNote(note(broken), decodingTime))) << broken;
}

TEST(RecordCoding, PreferencesDefaultsClampingAndFailures)
{
    const UserCalendar& calendar = shanghai();
    AppPreferences defaults = AppPreferences::defaultValue(calendar, decodingTime);
    EXPECT_EQ(decoded(decodePreferences("{}", calendar, decodingTime)), defaults);
    EXPECT_EQ(defaults.syncStartDate, calendar.startOfDay(decodingTime));
    EXPECT_EQ(defaults.syncEndDate, calendar.addingDays(defaults.syncStartDate, 7));

    EXPECT_EQ(decoded(decodePreferences(R"({"focusBoardTaskLimit":1})", calendar, decodingTime)).focusBoardTaskLimit, 3);
    EXPECT_EQ(decoded(decodePreferences(R"({"focusBoardTaskLimit":12})", calendar, decodingTime)).focusBoardTaskLimit, 9);
    EXPECT_EQ(decoded(decodePreferences(R"({"focusBoardTaskLimit":7})", calendar, decodingTime)).focusBoardTaskLimit, 7);

    AppPreferences lacking = decoded(decodePreferences(R"({"autoSyncEnabled":true,"hasActivatedSync":true})", calendar, decodingTime));
    EXPECT_TRUE(lacking.includeCalendarEvents);
    EXPECT_TRUE(lacking.reminderSyncRequiresDueDate);
    EXPECT_TRUE(lacking.autoSyncEnabled);

    for (const char* bad : { R"({"desktopSurfaceMode":"everything"})", R"({"autoSyncEnabled":1})",
             R"({"selectedCalendarIDs":"abc"})", R"({"selectedCalendarIDs":[1]})", R"({"syncStartDate":"yesterday"})" })
        EXPECT_TRUE(std::holds_alternative<DecodeError>(decodePreferences(bad, calendar, decodingTime))) << bad;

    AppPreferences custom = defaults;
    custom.selectedReminderListIDs = { "list-b", "list-a" };
    custom.syncDateScope = SyncDateScope::custom;
    custom.menuBarTitleMode = MenuBarTitleMode::currentTask;
    custom.noteWindowLayerMode = NoteWindowLayerMode::desktop;
    custom.defaultOpacity = 0.61;
    custom.globalShortcuts = { { "new-note", "Ctrl+Alt+F8" }, { "open-panel", "" } };
    std::string file = encodePreferencesFile(custom);
    EXPECT_EQ(decoded(decodePreferencesFile(file, calendar, decodingTime)), custom);
    EXPECT_LT(file.find("\"preferences\""), file.find("\"version\""));
    EXPECT_LT(file.find("\"autoGenerateFocusBoard\""), file.find("\"syncStartDate\""));
    // Files of users who never changed a key stay as they were.
    EXPECT_EQ(encodePreferencesFile(defaults).find("globalShortcuts"), std::string::npos);
}

TEST(RecordCoding, ShortcutKeysOfAnotherTypeKeepTheDefaultsAndTheRestOfTheFile)
{
    const UserCalendar& calendar = shanghai();
    AppPreferences defaults = AppPreferences::defaultValue(calendar, decodingTime);
    for (const char* odd : { R"({"globalShortcuts":5,"autoSyncEnabled":true})",
             R"({"globalShortcuts":["Ctrl+Alt+F8"],"autoSyncEnabled":true})",
             R"({"globalShortcuts":"Ctrl+Alt+F8","autoSyncEnabled":true})",
             R"({"globalShortcuts":{"new-note":5,"open-panel":"Ctrl+Alt+F9","today-board":{"k":1}},"autoSyncEnabled":true})" }) {
        Decoded<AppPreferences> read = decodePreferences(odd, calendar, decodingTime);
        ASSERT_TRUE(std::holds_alternative<AppPreferences>(read)) << odd;
        const AppPreferences& p = std::get<AppPreferences>(read);
        EXPECT_TRUE(p.autoSyncEnabled) << odd;
        EXPECT_EQ(p.globalShortcuts.count("new-note"), 0u) << odd;
        EXPECT_EQ(p.globalShortcuts.count("today-board"), 0u) << odd;
        EXPECT_EQ(p.noticesEnabled, defaults.noticesEnabled);
    }
    EXPECT_EQ(decoded(decodePreferences(R"({"globalShortcuts":{"new-note":5,"open-panel":"Ctrl+Alt+F9"}})", calendar,
                          decodingTime))
                  .globalShortcuts,
        (std::map<std::string, std::string> { { "open-panel", "Ctrl+Alt+F9" } }));
    // A value left unread is still checked: a broken one fails the file.
    for (const char* broken : { R"({"globalShortcuts":[1,tru]})", R"({"globalShortcuts":{"new-note":[1,tru]}})",
             R"({"noticeWhenDue":[1,tru]})", R"({"noticesHandledUntil":[1,tru]})" })
        EXPECT_TRUE(std::holds_alternative<DecodeError>(decodePreferences(broken, calendar, decodingTime))) << broken;
}

TEST(RecordCoding, NoticeSettingsAreOptionalAndAValueNotUnderstoodKeepsTheDefault)
{
    const UserCalendar& calendar = shanghai();
    AppPreferences defaults = AppPreferences::defaultValue(calendar, decodingTime);
    EXPECT_TRUE(defaults.noticesEnabled && defaults.noticeWhenDue && defaults.noticeWhenDeferralEnds);
    EXPECT_FALSE(defaults.noticeAtCalendarEventStart);
    EXPECT_FALSE(defaults.noticesHandledUntil);
    for (const char* odd : { R"({"noticesEnabled":"no","noticeWhenDue":1,"noticeAtCalendarEventStart":[true]})",
             R"({"noticesHandledUntil":"yesterday","noticeWhenDeferralEnds":{"a":false}})",
             R"({"noticesHandledUntil":17})" })
        EXPECT_EQ(decoded(decodePreferences(odd, calendar, decodingTime)), defaults) << odd;

    AppPreferences custom = defaults;
    custom.noticesEnabled = false;
    custom.noticeWhenDue = false;
    custom.noticeAtCalendarEventStart = true;
    custom.noticesHandledUntil = decodingTime;
    EXPECT_EQ(decoded(decodePreferencesFile(encodePreferencesFile(custom), calendar, decodingTime)), custom);
    EXPECT_EQ(encodePreferencesFile(defaults).find("noticesHandledUntil"), std::string::npos) << "absent, not null";
}

TEST(RecordCoding, IdentifiersParseInEitherCaseAndRejectAnythingElse)
{
    auto id = Uuid::fromString("0A1b2C3d-4E5f-6789-aBcD-ef0123456789");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(Uuid::fromString(id->toString()), id) << "the written form reads back";
    for (const char* bad : { "", "0a1b2c3d-4e5f-6789-abcd-ef012345678", "0a1b2c3d-4e5f-6789-abcd-ef012345678g",
             "0a1b2c3d+4e5f-6789-abcd-ef0123456789", "0a1b2c3d-4e5f-6789-abcd-ef01234567\xff" })
        EXPECT_FALSE(Uuid::fromString(bad).has_value()) << bad;
    Uuid fresh = Uuid::random();
    EXPECT_EQ(Uuid::fromString(fresh.toString()), fresh);
}

TEST(RecordCoding, IdentifiersMadeOnSeveralThreadsAtOnceNeverRepeat)
{
    // The notes file is decoded off the main thread, and a task without an
    // identifier is given a fresh one there.
    constexpr int threads = 4;
    constexpr int perThread = 20'000;
    std::vector<std::vector<std::string>> made(threads);
    {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&into = made[t]] {
                into.reserve(perThread);
                for (int i = 0; i < perThread; ++i)
                    into.push_back(Uuid::random().toString());
            });
        for (std::thread& worker : workers)
            worker.join();
    }
    std::vector<std::string> all;
    for (auto& some : made)
        all.insert(all.end(), some.begin(), some.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
}

TEST(RecordCoding, DatesBeyondTheFourDigitYearsAreWrittenAtTheNearestEndAndReadBack)
{
    // 10000-01-01T04:00:00Z: a reminder due 9999-12-31 23:00 in New York.
    const Instant pastTheEnd = instantFromSeconds(253'402'315'200);
    const Instant beforeYearZero = instantFromSeconds(-62'167'219'200 - 86'400);
    EXPECT_EQ(formatIsoDate(latestStorableInstant), "9999-12-31T23:59:59Z");
    EXPECT_EQ(formatIsoDate(earliestStorableInstant), "0000-01-01T00:00:00Z");

    StickyNote n = StickyNote::placeholder(Uuid::random(), decodingTime);
    n.dueDate = pastTheEnd;
    n.deferredUntil = pastTheEnd;
    n.createdAt = beforeYearZero;
    n.tasks.push_back(NoteTask { Uuid::random(), "t", false, Uuid::random(), NoteSource::reminders, pastTheEnd });
    n.externalLink = ExternalLink { NoteSource::reminders, "r", pastTheEnd, beforeYearZero };
    auto read = decodeNotesFile(encodeNotesFile({ n }), decodingTime);
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(read)) << std::get<DecodeError>(read).message;
    const StickyNote& back = std::get<std::vector<StickyNote>>(read).at(0);
    EXPECT_EQ(back.dueDate, latestStorableInstant);
    EXPECT_EQ(back.deferredUntil, latestStorableInstant);
    EXPECT_EQ(back.tasks.at(0).linkedDueDate, latestStorableInstant);
    EXPECT_EQ(back.externalLink->lastSyncedAt, latestStorableInstant);
    EXPECT_EQ(back.createdAt, earliestStorableInstant);

    // Both ends read back as themselves.
    EXPECT_EQ(parseIsoDate(formatIsoDate(latestStorableInstant)), latestStorableInstant);
    EXPECT_EQ(parseIsoDate(formatIsoDate(earliestStorableInstant)), earliestStorableInstant);

    AppPreferences p = AppPreferences::defaultValue(shanghai(), decodingTime);
    p.syncEndDate = pastTheEnd;
    auto prefs = decodePreferencesFile(encodePreferencesFile(p), shanghai(), decodingTime);
    ASSERT_TRUE(std::holds_alternative<AppPreferences>(prefs));
    EXPECT_EQ(std::get<AppPreferences>(prefs).syncEndDate, latestStorableInstant);
}

TEST(RecordCoding, NumbersBeyondTheIntegerRangeAreClampedNotRefused)
{
    const UserCalendar& calendar = shanghai();
    auto limit = [&](const std::string& value) {
        return decoded(decodePreferences(R"({"focusBoardTaskLimit":)" + value + "}", calendar, decodingTime)).focusBoardTaskLimit;
    };
    EXPECT_EQ(limit("1e30"), 9);
    EXPECT_EQ(limit("-1e30"), 3);
    EXPECT_EQ(limit("18446744073709551615"), 9) << "beyond a signed 64-bit integer";
    EXPECT_EQ(limit("9.0"), 9);

    auto days = [&](const std::string& value) {
        return decoded(decodePreferences(R"({"calendarLookaheadDays":)" + value + "}", calendar, decodingTime)).calendarLookaheadDays;
    };
    EXPECT_EQ(days("1e30"), std::numeric_limits<long long>::max());
    EXPECT_EQ(days("-1e30"), std::numeric_limits<long long>::min());
    EXPECT_EQ(days("9223372036854775807"), std::numeric_limits<long long>::max());
    EXPECT_EQ(days("-9223372036854775808"), std::numeric_limits<long long>::min());
    EXPECT_EQ(days("21"), 21);

    // A fraction is still not an integer.
    EXPECT_TRUE(std::holds_alternative<DecodeError>(decodePreferences(R"({"focusBoardTaskLimit":6.5})", calendar, decodingTime)));
}

TEST(RecordCoding, LargeWholeNumbersAreWrittenSoTheyReadBack)
{
    // Found by fuzzing: 9.2e19 was written as "92233720368547760000", which
    // reads as an integer too large for 64 bits and made the whole written
    // file unreadable.
    AppPreferences preferences = decoded(
        decodePreferences(R"({"defaultOpacity":92233720368547758080.92})", shanghai(), decodingTime));
    AppPreferences again = decoded(decodePreferencesFile(encodePreferencesFile(preferences), shanghai(), decodingTime));
    EXPECT_EQ(again.defaultOpacity, preferences.defaultOpacity);

    StickyNote n = decoded(decodeNote(note(R"(,"frame":{"x":-1e20,"y":1e300,"width":4e18,"height":248,"sizePreset":"small"})"), decodingTime));
    std::vector<StickyNote> read = decoded(decodeNotesFile(encodeNotesFile({ n }), decodingTime));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].frame, n.frame);
    EXPECT_NE(encodeNote(n).find("4e+18"), std::string::npos) << encodeNote(n);
}
