#include "EdsTestSupport.h"

#include "sync/eds/EdsColor.h"
#include "sync/eds/EdsEventStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class EdsEventStoreTest : public EdsTest {
protected:
    void SetUp() override
    {
        EdsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        store = std::make_unique<EdsEventStore>("Europe/Berlin");
    }

    void grantAccess(StoreEntityType type)
    {
        auto access = awaitCompletion<EventStore::AccessResult>([&](auto done) { store->requestAccess(type, done); });
        ASSERT_TRUE(access) << "requestAccess never completed";
        ASSERT_TRUE(std::holds_alternative<bool>(*access)) << std::get<StoreError>(*access).description;
        ASSERT_TRUE(std::get<bool>(*access));
    }

    std::vector<StoreReminder> fetch(const std::vector<std::string>& lists)
    {
        auto result = awaitCompletion<EventStore::RemindersResult>([&](auto done) { store->fetchReminders(lists, done); });
        EXPECT_TRUE(result) << "fetchReminders gave no answer";
        if (result && std::holds_alternative<StoreError>(*result))
            ADD_FAILURE() << std::get<StoreError>(*result).description;
        return result && std::holds_alternative<std::vector<StoreReminder>>(*result)
            ? std::get<std::vector<StoreReminder>>(*result)
            : std::vector<StoreReminder> {};
    }

    EventStore::SaveResult save(StoreReminder reminder)
    {
        auto result = awaitCompletion<EventStore::SaveResult>([&](auto done) { store->saveReminder(reminder, done); });
        EXPECT_TRUE(result) << "saveReminder never completed";
        return result ? *result : EventStore::SaveResult(StoreError { "no answer" });
    }

    StoreReminder saved(StoreReminder reminder)
    {
        EventStore::SaveResult result = save(std::move(reminder));
        if (auto* error = std::get_if<StoreError>(&result)) {
            ADD_FAILURE() << error->description;
            return {};
        }
        return std::get<StoreReminder>(result);
    }

    static const StoreReminder* byId(const std::vector<StoreReminder>& reminders, const std::string& id)
    {
        auto found = std::find_if(reminders.begin(), reminders.end(),
            [&](const StoreReminder& reminder) { return reminder.uid == id; });
        return found == reminders.end() ? nullptr : &*found;
    }

    static const StoreCalendar* byId(const std::vector<StoreCalendar>& calendars, const std::string& id)
    {
        auto found = std::find_if(calendars.begin(), calendars.end(),
            [&](const StoreCalendar& calendar) { return calendar.uid == id; });
        return found == calendars.end() ? nullptr : &*found;
    }

    std::unique_ptr<EdsEventStore> store;
};

TEST(EdsColorTest, ParsesSourceColours)
{
    using eds::parseSourceColor;
    EXPECT_EQ(parseSourceColor("#3366CC").components, (std::vector<double> { 0x33 / 255.0, 0x66 / 255.0, 0xcc / 255.0 }));
    EXPECT_EQ(parseSourceColor("#f0a").components, (std::vector<double> { 1.0, 0.0, 10 / 15.0 }));
    EXPECT_EQ(parseSourceColor("#ffff00000000").components, (std::vector<double> { 1.0, 0.0, 0.0 }));
    EXPECT_EQ(parseSourceColor(" rgb(255, 0, 51) ").components, (std::vector<double> { 1.0, 0.0, 0.2 }));
    EXPECT_EQ(parseSourceColor("rgba(0,0,255,0.5)").components, (std::vector<double> { 0.0, 0.0, 1.0, 0.5 }));
    EXPECT_EQ(parseSourceColor("Navy").components, (std::vector<double> { 0.0, 0.0, 128 / 255.0 }));
    for (const char* bad : { "", "#", "#12345", "#ggg", "rgb(1,2)", "rgb(1,2,x)", "rgba(1,2,3)", "blurple", "#1234567890abc" })
        EXPECT_LT(parseSourceColor(bad).components.size(), 3u) << bad;
}

TEST_F(EdsEventStoreTest, ListsSourcesWithTheirFlagsInRegistryOrder)
{
    EXPECT_TRUE(std::holds_alternative<StoreError>(store->calendars(StoreEntityType::reminder)))
        << "before access the store cannot say which lists there are";
    addList("flags-b", "Flags B", "#3366cc");
    addList("flags-a", "Flags A", "chartreuse-ish");
    addList("flags-c", "Flags C", ""); // EDS gives new sources a default colour
    addList("flags-web", "Flags Web", "#00ff00", "webcal");
    addCalendar("flags-cal", "Flags Calendar");
    grantAccess(StoreEntityType::reminder);

    const std::vector<StoreCalendar> lists = listed(*store, StoreEntityType::reminder);
    std::vector<std::string> ours;
    for (const StoreCalendar& list : lists) {
        if (list.uid.starts_with("flags-"))
            ours.push_back(list.uid);
    }
    EXPECT_EQ(ours, (std::vector<std::string> { "flags-a", "flags-b", "flags-c", "flags-web" }));
    EXPECT_EQ(byId(lists, "flags-cal"), nullptr) << "calendars are not reminder lists";

    const StoreCalendar* blue = byId(lists, "flags-b");
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(blue->title, "Flags B");
    ESource* stub = e_source_registry_ref_source(eds().registry(), "local-stub");
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(blue->sourceTitle, e_source_get_display_name(stub));
    g_object_unref(stub);
    ASSERT_TRUE(blue->color);
    EXPECT_EQ(blue->color->components, (std::vector<double> { 0x33 / 255.0, 0x66 / 255.0, 0xcc / 255.0 }));
    EXPECT_TRUE(blue->allowsContentModifications);
    EXPECT_FALSE(blue->isSubscription);

    ASSERT_NE(byId(lists, "flags-a"), nullptr);
    ASSERT_TRUE(byId(lists, "flags-a")->color);
    EXPECT_LT(byId(lists, "flags-a")->color->components.size(), 3u) << "unparsable colours have no components";
    ASSERT_NE(byId(lists, "flags-c"), nullptr);
    EXPECT_FALSE(byId(lists, "flags-c")->color) << "a cleared colour is no colour";

    const StoreCalendar* web = byId(lists, "flags-web");
    ASSERT_NE(web, nullptr);
    EXPECT_TRUE(web->isSubscription);
    EXPECT_FALSE(web->allowsContentModifications);

    grantAccess(StoreEntityType::event);
    const std::vector<StoreCalendar> calendars = listed(*store, StoreEntityType::event);
    ASSERT_NE(byId(calendars, "flags-cal"), nullptr);
    EXPECT_EQ(byId(calendars, "flags-b"), nullptr);
    EXPECT_EQ(listed(*store, StoreEntityType::reminder).size(), lists.size()) << "the order and set are stable";
    EXPECT_TRUE(store->defaultCalendarForNewReminders()) << "a fresh home has a default task list";
}

TEST_F(EdsEventStoreTest, RemindersRoundTripThroughVtodos)
{
    addList("trip", "Round Trip");
    grantAccess(StoreEntityType::reminder);

    StoreReminder draft;
    draft.sourceUid = "trip";
    draft.title = "Buy stamps";
    draft.notes = "Second-class, ten of them";
    draft.priority = 1;
    draft.dueDate = utc(2030, 1, 15, 9, 30, 42) + 123ms;
    const StoreReminder created = saved(draft);
    ASSERT_FALSE(created.uid.empty()) << "the store assigns the identifier";
    ASSERT_TRUE(created.lastModifiedDate) << "the store stamps the modification time";
    EXPECT_EQ(created.calendarTitle, "Round Trip");
    EXPECT_EQ(created.dueDate, utc(2030, 1, 15, 9, 30)) << "due dates are stored to the minute";

    std::vector<StoreReminder> fetched = fetch({ "trip" });
    ASSERT_EQ(fetched.size(), 1u);
    const StoreReminder& read = fetched.front();
    EXPECT_EQ(read.uid, created.uid);
    EXPECT_EQ(read.sourceUid, "trip");
    EXPECT_EQ(read.title, "Buy stamps");
    EXPECT_EQ(read.notes, "Second-class, ten of them");
    EXPECT_EQ(read.priority, 1);
    EXPECT_FALSE(read.isCompleted);
    EXPECT_FALSE(read.completionDate);
    EXPECT_EQ(read.dueDate, utc(2030, 1, 15, 9, 30));
    EXPECT_EQ(read.lastModifiedDate, created.lastModifiedDate);

    // Completing, emptying the notes, dropping priority and due date.
    StoreReminder change = read;
    change.isCompleted = true;
    change.completionDate = utc(2030, 1, 16, 12, 0);
    change.notes = "";
    change.priority = 0;
    change.dueDate = std::nullopt;
    const StoreReminder completed = saved(change);
    EXPECT_EQ(completed.uid, created.uid) << "a modification, not a new item";
    ASSERT_TRUE(completed.lastModifiedDate);
    EXPECT_GE(*completed.lastModifiedDate, *created.lastModifiedDate);
    fetched = fetch({ "trip" });
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_TRUE(fetched.front().isCompleted);
    EXPECT_EQ(fetched.front().completionDate, utc(2030, 1, 16, 12, 0));
    EXPECT_EQ(fetched.front().notes, "");
    EXPECT_EQ(fetched.front().priority, 0);
    EXPECT_FALSE(fetched.front().dueDate);
    const std::string stored = storedComponent("trip", created.uid);
    EXPECT_NE(stored.find("STATUS:COMPLETED"), std::string::npos) << stored;
    EXPECT_NE(stored.find("PERCENT-COMPLETE:100"), std::string::npos) << stored;
    EXPECT_NE(stored.find("COMPLETED:20300116T120000Z"), std::string::npos) << stored;

    // Reopening clears the completion everywhere.
    change = fetched.front();
    change.isCompleted = false;
    change.completionDate = std::nullopt;
    saved(change);
    fetched = fetch({ "trip" });
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_FALSE(fetched.front().isCompleted);
    EXPECT_FALSE(fetched.front().completionDate);
    const std::string reopened = storedComponent("trip", created.uid);
    EXPECT_EQ(reopened.find("COMPLETED:"), std::string::npos) << reopened;
    EXPECT_EQ(reopened.find("PERCENT-COMPLETE:100"), std::string::npos) << reopened;
}

TEST_F(EdsEventStoreTest, ReadsDueDatesInTheirZones)
{
    addList("zones", "Zones");
    const auto todo = [](const char* uid, const char* due) {
        return std::string("BEGIN:VTODO\r\nUID:") + uid + "\r\nSUMMARY:" + uid + "\r\n" + due
            + "\r\nPRIORITY:12\r\nSTATUS:COMPLETED\r\nEND:VTODO\r\n";
    };
    putComponent("zones", todo("date-only", "DUE;VALUE=DATE:20300115"));
    putComponent("zones", todo("floating", "DUE:20300715T090000"));
    putComponent("zones", todo("new-york", "DUE;TZID=America/New_York:20300115T090000"));
    putComponent("zones", todo("utc", "DUE:20300115T090000Z"));
    grantAccess(StoreEntityType::reminder);

    const std::vector<StoreReminder> fetched = fetch({ "zones" });
    ASSERT_EQ(fetched.size(), 4u);
    ASSERT_NE(byId(fetched, "date-only"), nullptr);
    EXPECT_EQ(byId(fetched, "date-only")->dueDate, utc(2030, 1, 14, 23, 0)) << "start of the day in Berlin";
    EXPECT_EQ(byId(fetched, "floating")->dueDate, utc(2030, 7, 15, 7, 0)) << "Berlin wall time in summer";
    EXPECT_EQ(byId(fetched, "new-york")->dueDate, utc(2030, 1, 15, 14, 0));
    EXPECT_EQ(byId(fetched, "utc")->dueDate, utc(2030, 1, 15, 9, 0));
    EXPECT_EQ(byId(fetched, "utc")->priority, 9) << "out-of-range priorities are clamped";
    EXPECT_TRUE(byId(fetched, "utc")->isCompleted) << "STATUS:COMPLETED alone means completed";

    // Writing the same instant back keeps the stored form of the date.
    StoreReminder same = *byId(fetched, "date-only");
    same.title = "Renamed";
    saved(same);
    const std::string stored = storedComponent("zones", "date-only");
    EXPECT_NE(stored.find("DUE;VALUE=DATE:20300115"), std::string::npos) << stored;
    EXPECT_EQ(byId(fetch({ "zones" }), "date-only")->title, "Renamed");
}

TEST_F(EdsEventStoreTest, RefusesSavesItCannotMake)
{
    addList("refusals", "Refusals");
    addList("refusals-web", "Refusals Web", std::nullopt, "webcal");
    grantAccess(StoreEntityType::reminder);

    const auto errorOf = [&](StoreReminder reminder) {
        EventStore::SaveResult result = save(std::move(reminder));
        EXPECT_TRUE(std::holds_alternative<StoreError>(result)) << "the save should have failed";
        return std::holds_alternative<StoreError>(result) ? std::get<StoreError>(result).description : std::string();
    };
    StoreReminder reminder;
    reminder.title = "Nowhere";
    reminder.sourceUid = "no-such-list";
    EXPECT_NE(errorOf(reminder).find("does not exist"), std::string::npos);
    reminder.sourceUid = "refusals-web";
    EXPECT_NE(errorOf(reminder).find("read-only"), std::string::npos);
    reminder.sourceUid = "refusals";
    reminder.uid = "no-such-reminder";
    EXPECT_NE(errorOf(reminder).find("no-such-reminder"), std::string::npos);
    EXPECT_TRUE(fetch({ "refusals" }).empty()) << "a failed modification creates nothing";

    // A store destroyed with calls pending never completes them.
    bool called = false;
    store->fetchReminders({ "refusals" }, [&](auto) { called = true; });
    StoreReminder pending;
    pending.title = "Never";
    pending.sourceUid = "refusals";
    store->saveReminder(pending, [&](auto) { called = true; });
    EdsEventStore fresh("Europe/Berlin");
    bool freshCalled = false;
    auto* doomed = new EdsEventStore("Europe/Berlin");
    doomed->requestAccess(StoreEntityType::reminder, [&](auto) { freshCalled = true; });
    delete doomed;
    store.reset();
    bool settled = false;
    fresh.requestAccess(StoreEntityType::reminder, [&](auto) { settled = true; });
    EXPECT_TRUE(waitUntil([&] { return settled; }));
    waitUntil([] { return false; }, 500ms);
    EXPECT_FALSE(called);
    EXPECT_FALSE(freshCalled);
}

TEST_F(EdsEventStoreTest, ExpandsRepeatingEventsIntoOccurrences)
{
    addCalendar("events", "Events");
    addCalendar("events-other", "Other Events");
    putComponent("events",
        "BEGIN:VEVENT\r\nUID:standup\r\nSUMMARY:Stand-up\r\nLOCATION:Room 4\r\nDESCRIPTION:Daily\r\n"
        "DTSTART;TZID=Europe/Berlin:20300107T093000\r\nDTEND;TZID=Europe/Berlin:20300107T094500\r\n"
        "RRULE:FREQ=DAILY;COUNT=5\r\nEXDATE;TZID=Europe/Berlin:20300109T093000\r\n"
        "LAST-MODIFIED:20290101T000000Z\r\nEND:VEVENT\r\n",
        false);
    putComponent("events",
        "BEGIN:VEVENT\r\nUID:lunch\r\nSUMMARY:Lunch\r\nDTSTART:20300108T110000Z\r\nDTEND:20300108T120000Z\r\nEND:VEVENT\r\n",
        false);
    putComponent("events-other",
        "BEGIN:VEVENT\r\nUID:elsewhere\r\nSUMMARY:Elsewhere\r\nDTSTART:20300108T100000Z\r\nEND:VEVENT\r\n", false);
    grantAccess(StoreEntityType::event);

    auto answer = awaitCompletion<EventStore::EventsResult>([&](auto done) {
        store->fetchEvents(utc(2030, 1, 8), utc(2030, 1, 10, 23, 59), { "events" }, done);
    });
    ASSERT_TRUE(answer && std::holds_alternative<std::vector<StoreEvent>>(*answer));
    const auto* events = &std::get<std::vector<StoreEvent>>(*answer);
    std::vector<std::pair<std::string, Instant>> seen;
    for (const StoreEvent& event : *events)
        seen.emplace_back(event.uid, event.startDate);
    EXPECT_EQ(seen,
        (std::vector<std::pair<std::string, Instant>> {
            { "standup", utc(2030, 1, 8, 8, 30) },
            { "lunch", utc(2030, 1, 8, 11, 0) },
            { "standup", utc(2030, 1, 10, 8, 30) },
        }))
        << "occurrences in range, the excluded date left out, ordered by start";
    const StoreEvent& standup = events->front();
    EXPECT_EQ(standup.title, "Stand-up");
    EXPECT_EQ(standup.location, "Room 4");
    EXPECT_EQ(standup.notes, "Daily");
    EXPECT_EQ(standup.sourceUid, "events");
    EXPECT_EQ(standup.calendarTitle, "Events");
    ASSERT_TRUE(standup.lastModifiedDate) << "the store stamps every item it stores";
    EXPECT_EQ(events->back().lastModifiedDate, standup.lastModifiedDate);

    auto otherAnswer = awaitCompletion<EventStore::EventsResult>([&](auto done) {
        store->fetchEvents(utc(2030, 1, 1), utc(2030, 2, 1), { "events-other" }, done);
    });
    ASSERT_TRUE(otherAnswer && std::holds_alternative<std::vector<StoreEvent>>(*otherAnswer));
    const auto* other = &std::get<std::vector<StoreEvent>>(*otherAnswer);
    ASSERT_EQ(other->size(), 1u);
    EXPECT_EQ(other->front().uid, "elsewhere");
}

TEST_F(EdsEventStoreTest, ReportsOutsideChangesOnTheMainLoop)
{
    addList("watched", "Watched");
    grantAccess(StoreEntityType::reminder);
    int notices = 0;
    store->setChangeHandler([&] { ++notices; });
    putComponent("watched", "BEGIN:VTODO\r\nUID:outside-1\r\nSUMMARY:From outside\r\nEND:VTODO\r\n");
    EXPECT_TRUE(waitUntil([&] { return notices > 0; })) << "no notice for an item added elsewhere";

    notices = 0;
    addList("watched-new", "Watched New");
    EXPECT_TRUE(waitUntil([&] { return notices > 0; })) << "no notice for a new list";
    const auto lists = listed(*store, StoreEntityType::reminder);
    EXPECT_TRUE(std::any_of(lists.begin(), lists.end(), [](const auto& list) { return list.uid == "watched-new"; }));

    // The new list is watched as well once access is asked again, as every
    // sync does.
    grantAccess(StoreEntityType::reminder);
    notices = 0;
    putComponent("watched-new", "BEGIN:VTODO\r\nUID:outside-2\r\nSUMMARY:Also outside\r\nEND:VTODO\r\n");
    EXPECT_TRUE(waitUntil([&] { return notices > 0; })) << "no notice from a list that appeared later";

    store->setChangeHandler({});
    notices = 0;
    putComponent("watched", "BEGIN:VTODO\r\nUID:outside-3\r\nSUMMARY:Unheard\r\nEND:VTODO\r\n");
    waitUntil([] { return false; }, 800ms);
    EXPECT_EQ(notices, 0) << "an empty handler unsubscribes";
}

TEST_F(EdsEventStoreTest, ListeningAloneStartsWatching)
{
    // An app with automatic sync on listens from launch, before any sync has
    // asked for access; outside changes must reach it all the same.
    addList("listened", "Listened");
    int notices = 0;
    store->setChangeHandler([&] { ++notices; });
    int added = 0;
    auto lastPut = std::chrono::steady_clock::now() - 1s;
    // Views come up asynchronously: keep changing the list until one is heard.
    EXPECT_TRUE(waitUntil([&] {
        if (notices > 0)
            return true;
        if (std::chrono::steady_clock::now() - lastPut >= 500ms) {
            lastPut = std::chrono::steady_clock::now();
            ++added;
            putComponent("listened", "BEGIN:VTODO\r\nUID:listened-" + std::to_string(added)
                    + "\r\nSUMMARY:From outside\r\nEND:VTODO\r\n");
        }
        return false;
    }, 15s)) << "no notice without an access request";
}

// Runs the unreachable-EDS probe (EdsTestMain.cpp) in a child process, on
// the bus at `busAddress` or on none; what it printed.
std::string runUnreachableProbe(const std::string& busAddress, std::chrono::steady_clock::duration& took)
{
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    EXPECT_NE(self, nullptr);
    if (!self)
        return {};
    gchar* argv[] = { self, const_cast<gchar*>("--unreachable-eds-probe"),
        busAddress.empty() ? nullptr : const_cast<gchar*>(busAddress.c_str()), nullptr };
    gchar* output = nullptr;
    gint status = 0;
    GError* error = nullptr;
    const auto started = std::chrono::steady_clock::now();
    const gboolean ran = g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &output, nullptr, &status, &error);
    took = std::chrono::steady_clock::now() - started;
    g_free(self);
    EXPECT_TRUE(ran) << (error ? error->message : "");
    g_clear_error(&error);
    std::string text = output ? output : "";
    g_free(output);
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << text;
    return text;
}

TEST(EdsUnreachableTest, FailsCleanlyWithoutASessionBus)
{
    std::chrono::steady_clock::duration took {};
    const std::string text = runUnreachableProbe({}, took);
    EXPECT_NE(text.find("access: error: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_NE(text.find("fetch: error (unreachable): Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_NE(text.find("save: error: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_NE(text.find("calendars: error: "), std::string::npos) << text;
    EXPECT_NE(text.find("sync: failure: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_LT(took, 10s) << "the failure must come at once, not after a timeout";
}

// A private session bus whose only services are the ones given (name and
// program), in a temporary folder; ended and removed with the object.
class PrivateBus {
public:
    explicit PrivateBus(const std::vector<std::pair<std::string, std::string>>& services)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brivet-bus-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_root = pattern;
        const std::filesystem::path serviceDir = m_root / "services";
        std::filesystem::create_directories(serviceDir);
        for (const auto& [name, program] : services)
            std::ofstream(serviceDir / (name + ".service")) << "[D-BUS Service]\nName=" << name << "\nExec=" << program << "\n";
        std::ofstream(m_root / "bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir="
            << m_root.string() << "</listen><servicedir>" << serviceDir.string()
            << "</servicedir><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
        const std::string config = "--config-file=" + (m_root / "bus.conf").string();
        gchar* argv[] = { const_cast<gchar*>("dbus-daemon"), const_cast<gchar*>(config.c_str()), const_cast<gchar*>("--nofork"),
            const_cast<gchar*>("--print-address=1"), nullptr };
        gint output = -1;
        if (!g_spawn_async_with_pipes(m_root.c_str(), argv, nullptr,
                static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                nullptr, &m_pid, nullptr, &output, nullptr, nullptr))
            return;
        std::string address;
        pollfd readable { output, POLLIN, 0 };
        char buffer[512];
        while (address.find('\n') == std::string::npos && poll(&readable, 1, 5000) > 0) {
            const ssize_t count = read(output, buffer, sizeof buffer);
            if (count <= 0)
                break;
            address.append(buffer, static_cast<std::size_t>(count));
        }
        close(output);
        if (address.find('\n') != std::string::npos)
            m_address = address.substr(0, address.find('\n'));
    }

    ~PrivateBus()
    {
        if (m_pid) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_root.empty()) {
            std::error_code error;
            std::filesystem::remove_all(m_root, error);
        }
    }

    const std::string& address() const { return m_address; }

private:
    std::filesystem::path m_root;
    GPid m_pid = 0;
    std::string m_address;
};

struct BrokenBus {
    const char* name;
    std::vector<std::pair<std::string, std::string>> services;
    const char* reason; // in the store's error
};

class EdsUnreachableBusTest : public ::testing::TestWithParam<BrokenBus> { };

// The session bus is there but EDS cannot be started on it: the registry
// client still comes up (with no sources), which must read as "cannot be
// reached", never as "there are no lists", so that a sync fails and keeps a
// note imported from reminders.
TEST_P(EdsUnreachableBusTest, SyncFailsAndSaysWhyInsteadOfFindingNoLists)
{
    PrivateBus bus(GetParam().services);
    ASSERT_FALSE(bus.address().empty()) << "no private bus";
    std::chrono::steady_clock::duration took {};
    const std::string text = runUnreachableProbe(bus.address(), took);
    EXPECT_NE(text.find("access: error: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_NE(text.find(GetParam().reason), std::string::npos) << text;
    EXPECT_NE(text.find("fetch: error (unreachable)"), std::string::npos) << text;
    EXPECT_NE(text.find("sync: failure: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_NE(text.find("status: 同步失败：无法连接 Evolution Data Server（"), std::string::npos) << text;
    EXPECT_NE(text.find("snapshot: unreachable: Evolution Data Server is not reachable: "), std::string::npos) << text;
    EXPECT_LT(took, 15s);
}

INSTANTIATE_TEST_SUITE_P(Buses, EdsUnreachableBusTest,
    ::testing::Values(BrokenBus { "NoServices", {}, "org.gnome.evolution.dataserver.Sources5" },
        BrokenBus { "FailingServices",
            { { "org.gnome.evolution.dataserver.Sources5", "/bin/false" },
                { "org.gnome.evolution.dataserver.Calendar8", "/bin/false" } },
            "exited with status 1" }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
