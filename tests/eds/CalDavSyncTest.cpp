#include "CalDavHome.h"
#include "CalDavServer.h"
#include "EdsSandbox.h"

#include "support/RequiredServices.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

using namespace brivet::testing;

namespace {

constexpr const char* user = "brivet";
constexpr const char* collection = "shared";
// NotePriority's values.
constexpr int low = 1;
constexpr int normal = 5;
constexpr int high = 9;
// 2030-01-15 09:00 UTC and a day later: whole minutes, as the engine writes
// due dates.
constexpr long long dueFirst = 1'894'698'000;
constexpr long long dueSecond = dueFirst + 86'400;

const CalDavHome::Note* noteTitled(const std::vector<CalDavHome::Note>& notes, const std::string& title)
{
    auto found = std::find_if(notes.begin(), notes.end(), [&](const auto& note) { return note.title == title; });
    return found == notes.end() ? nullptr : &*found;
}

// Two users' machines (each its own HOME, session bus and EDS with the app
// on top) sharing one task collection on a real CalDAV server. EDS answers
// from its own copy of the collection and fetches it only now and then, so
// before a home syncs, the test makes its EDS fetch until the copy equals
// what the server holds, as enough waiting would.
class CalDavSyncTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto missing = EdsSandbox::missingTools()) {
            BRIVET_SKIP_WITHOUT_SERVICE("no Evolution Data Server here: " << *missing);
        }
        if (auto missing = CalDavServer::missingTools()) {
            BRIVET_SKIP_WITHOUT_SERVICE("no CalDAV server here: " << *missing);
        }
        auto failure = server.start();
        ASSERT_FALSE(failure) << *failure;
        const std::string url = server.addTaskCollection(user, collection, "Shared Tasks");
        for (CalDavHome* home : { &first, &second }) {
            failure = home->start(url);
            ASSERT_FALSE(failure) << *failure;
        }
    }

    void TearDown() override
    {
        for (CalDavHome* home : { &first, &second })
            EXPECT_TRUE(home->stop()) << home->name() << " did not end cleanly";
        server.stop();
    }

    // What the server holds, as "UID=ETag" (radicale's ETag: the SHA-256
    // of the item's stored text).
    std::vector<std::string> serverVersions() const
    {
        std::vector<std::string> versions;
        for (const auto& [file, ical] : server.items(user, collection)) {
            gchar* digest
                = g_compute_checksum_for_string(G_CHECKSUM_SHA256, ical.c_str(), static_cast<gssize>(ical.size()));
            versions.push_back(unfoldedProperty(ical, "UID") + "=" + digest);
            g_free(digest);
        }
        return versions;
    }

    // The home's EDS catches up with the server, then the home syncs; the
    // status the app shows.
    std::string catchUpAndSync(CalDavHome& home)
    {
        EXPECT_TRUE(home.refresh(serverVersions())) << home.lastError();
        return home.sync();
    }

    std::vector<std::string> serverTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& [file, ical] : server.items(user, collection))
            titles.push_back(unfoldedProperty(ical, "SUMMARY"));
        std::sort(titles.begin(), titles.end());
        return titles;
    }

    static bool succeeded(const std::string& status) { return status.rfind("同步完成", 0) == 0; }

    CalDavServer server;
    CalDavHome first { "the first home" };
    CalDavHome second { "the second home" };
};

TEST_F(CalDavSyncTest, NotesWrittenInOneHomeReachTheOtherWithEveryField)
{
    first.add("Pay the rent", "Transfer before noon\nReference 2030-01", high, dueFirst);
    first.add("Water the plants", "", low, dueSecond);
    const std::string status = first.sync();
    EXPECT_TRUE(succeeded(status)) << status;
    EXPECT_EQ(first.lastWritten(), 2);
    EXPECT_EQ(serverTitles(), (std::vector<std::string> { "Pay the rent", "Water the plants" }));

    EXPECT_TRUE(succeeded(catchUpAndSync(second)));
    EXPECT_EQ(second.lastImported(), 2);
    const auto notes = second.notes();
    ASSERT_EQ(notes.size(), 2u);
    const auto* rent = noteTitled(notes, "Pay the rent");
    ASSERT_NE(rent, nullptr);
    EXPECT_EQ(rent->details, "Transfer before noon\nReference 2030-01");
    EXPECT_FALSE(rent->completed);
    EXPECT_EQ(rent->dueSeconds, dueFirst);
    EXPECT_EQ(rent->priority, high);
    const auto* plants = noteTitled(notes, "Water the plants");
    ASSERT_NE(plants, nullptr);
    EXPECT_EQ(plants->details, "");
    EXPECT_EQ(plants->dueSeconds, dueSecond);
    EXPECT_EQ(plants->priority, low);
    // Both homes link the note to the same reminder.
    const auto firstNotes = first.notes();
    ASSERT_NE(noteTitled(firstNotes, "Pay the rent"), nullptr);
    EXPECT_EQ(noteTitled(firstNotes, "Pay the rent")->externalId, rent->externalId);
    EXPECT_EQ(server.items(user, collection).size(), 2u) << "the import wrote nothing back";
}

TEST_F(CalDavSyncTest, CompletionAndTitleChangesCrossBothWays)
{
    first.add("Book the flights", "Window seats", normal, dueFirst);
    first.add("Renew the passport", "", high, dueSecond);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(succeeded(catchUpAndSync(second)));

    // The second home completes one and renames the other.
    second.edit("Book the flights", "completed", "1");
    second.edit("Renew the passport", "title", "Renew both passports");
    EXPECT_TRUE(succeeded(second.sync()));
    EXPECT_EQ(second.lastWritten(), 2);
    EXPECT_EQ(serverTitles(), (std::vector<std::string> { "Book the flights", "Renew both passports" }));

    EXPECT_TRUE(succeeded(catchUpAndSync(first)));
    auto notes = first.notes();
    ASSERT_EQ(notes.size(), 2u);
    ASSERT_NE(noteTitled(notes, "Book the flights"), nullptr);
    EXPECT_TRUE(noteTitled(notes, "Book the flights")->completed);
    ASSERT_NE(noteTitled(notes, "Renew both passports"), nullptr) << "the rename reached the first home";
    EXPECT_EQ(first.lastWritten(), 0) << "taking changes in writes nothing back";

    // And back: the first home reopens one and renames it.
    first.edit("Book the flights", "completed", "0");
    first.edit("Book the flights", "title", "Book the train instead");
    EXPECT_TRUE(succeeded(first.sync()));
    EXPECT_TRUE(succeeded(catchUpAndSync(second)));
    notes = second.notes();
    ASSERT_EQ(notes.size(), 2u);
    const auto* train = noteTitled(notes, "Book the train instead");
    ASSERT_NE(train, nullptr);
    EXPECT_FALSE(train->completed);
    EXPECT_EQ(train->details, "Window seats");
    EXPECT_EQ(train->dueSeconds, dueFirst);
    EXPECT_EQ(serverTitles(), (std::vector<std::string> { "Book the train instead", "Renew both passports" }));
}

// Someone removes the reminder on the server, behind both EDS's backs. Each
// home still has the note and writes it back, under the identifier the
// reminder had, so the two homes end up sharing one reminder again.
TEST_F(CalDavSyncTest, DeletionOnTheServerConvergesOnOneCopy)
{
    first.add("Call the plumber", "About the kitchen tap", high, dueFirst);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(succeeded(catchUpAndSync(second)));
    // The first home's EDS must have fetched the collection since its own
    // upload: it tells changes by the collection's tag, and radicale's tag
    // is a digest of the items, so after the deletion the tag is the one the
    // empty collection had, and an EDS that last fetched then sees nothing
    // to fetch.
    ASSERT_TRUE(succeeded(catchUpAndSync(first)));
    const auto items = server.items(user, collection);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(server.request("DELETE", std::string("/") + user + "/" + collection + "/" + items.begin()->first), 200);
    ASSERT_TRUE(server.items(user, collection).empty());

    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(succeeded(catchUpAndSync(first))) << "round " << round;
        EXPECT_TRUE(succeeded(catchUpAndSync(second))) << "round " << round;
    }
    EXPECT_EQ(serverTitles(), (std::vector<std::string> { "Call the plumber" }));
    for (CalDavHome* home : { &first, &second }) {
        const auto notes = home->notes();
        EXPECT_EQ(std::count_if(
                      notes.begin(), notes.end(), [](const auto& note) { return note.title == "Call the plumber"; }),
            1)
            << home->name();
    }
}

// The server goes away between the store's read and its writes: the sync
// fails with a status that says so, no note is lost, and once the server is
// back the next sync writes every note exactly once.
TEST_F(CalDavSyncTest, ServerOutageFailsClearlyAndTheNextSyncWritesEverythingOnce)
{
    first.add("Already there", "", normal, dueFirst);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(first.refresh(serverVersions())) << first.lastError();

    first.add("Written during the outage", "Must not be lost", high, dueFirst);
    first.add("Also during the outage", "", low, dueSecond);
    server.stop();
    const std::string failed = first.sync();
    EXPECT_EQ(failed.rfind("同步失败：", 0), 0u) << "a sync whose writes cannot reach the server fails: " << failed;
    EXPECT_NE(failed.find("：无法连接服务器（"), std::string::npos) << "says the server cannot be reached: " << failed;
    EXPECT_EQ(failed.find("stopped"), std::string::npos) << "the calendar service ran the whole time: " << failed;
    EXPECT_EQ(first.notes().size(), 3u) << "no note is lost";

    ASSERT_FALSE(server.start());
    const std::string recovered = first.sync();
    EXPECT_TRUE(succeeded(recovered)) << recovered;
    EXPECT_EQ(serverTitles(),
        (std::vector<std::string> { "Already there", "Also during the outage", "Written during the outage" }));
    EXPECT_TRUE(succeeded(catchUpAndSync(first)));
    EXPECT_EQ(first.lastWritten(), 0);
    EXPECT_EQ(server.items(user, collection).size(), 3u);

    EXPECT_TRUE(succeeded(catchUpAndSync(second)));
    EXPECT_EQ(second.notes().size(), 3u);
}

// The server stops while the sync writes: after the first of four uploads.
// What reached the server stays linked, the rest is written by the next
// sync once the server is back, and nothing is written twice.
TEST_F(CalDavSyncTest, ServerStoppingBetweenWritesLosesNothingAndDuplicatesNothing)
{
    const std::vector<std::string> titles { "Fourth write", "One write", "Three writes", "Two writes" };
    for (const auto& title : titles)
        first.add(title, "", normal, dueFirst);
    const int putsBefore = server.requestCount("PUT");
    std::atomic<bool> syncing = true;
    std::thread outage([&] {
        while (syncing && server.requestCount("PUT") == putsBefore)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        server.stop();
    });
    const std::string failed = first.sync();
    syncing = false;
    outage.join();
    const std::size_t reached = server.items(user, collection).size();
    EXPECT_LT(reached, titles.size()) << "the server stopped before every write";
    EXPECT_EQ(failed.rfind("同步失败：", 0), 0u) << failed;
    EXPECT_EQ(first.notes().size(), titles.size()) << "no note is lost";

    ASSERT_FALSE(server.start());
    EXPECT_TRUE(succeeded(first.sync()));
    EXPECT_EQ(serverTitles(), titles) << reached << " had reached the server before it stopped";
    EXPECT_TRUE(succeeded(catchUpAndSync(second)));
    EXPECT_EQ(second.notes().size(), titles.size());
}

// The second home edits a reminder while the first home's EDS still holds
// the old copy (it fetches only every so often). A sync started by hand in
// the first home at once must see the edit; and where the first home's note
// was edited too, earlier, the newer edit wins on both sides instead of the
// old copy being written over it.
TEST_F(CalDavSyncTest, SyncByHandSeesEditsMadeElsewhereAndKeepsTheNewerOne)
{
    first.add("Plan the trip", "Two weeks", normal, dueFirst);
    first.add("Pack the bags", "", low, dueSecond);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(succeeded(catchUpAndSync(second)));
    ASSERT_TRUE(succeeded(catchUpAndSync(first)));

    // Edited in the first home before the second home's edit; LAST-MODIFIED
    // counts whole seconds, so the two are a second apart.
    first.edit("Pack the bags", "details", "Older edit from the first home");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    second.edit("Plan the trip", "title", "Plan the trip to Lisbon");
    second.edit("Pack the bags", "details", "Newer edit from the second home");
    ASSERT_TRUE(succeeded(second.sync()));
    ASSERT_EQ(second.lastWritten(), 2);

    const std::string status = first.sync();
    EXPECT_TRUE(succeeded(status)) << status;
    const auto notes = first.notes();
    EXPECT_NE(noteTitled(notes, "Plan the trip to Lisbon"), nullptr) << "the edit made elsewhere reached the first home";
    const auto* bags = noteTitled(notes, "Pack the bags");
    ASSERT_NE(bags, nullptr);
    EXPECT_EQ(bags->details, "Newer edit from the second home");
    EXPECT_EQ(first.lastWritten(), 0) << "nothing older was written back";
    for (const auto& [file, ical] : server.items(user, collection)) {
        if (unfoldedProperty(ical, "SUMMARY") == "Pack the bags") {
            EXPECT_EQ(unfoldedProperty(ical, "DESCRIPTION"), "Newer edit from the second home") << "the server kept the newer edit";
        }
    }
    EXPECT_EQ(serverTitles(), (std::vector<std::string> { "Pack the bags", "Plan the trip to Lisbon" }));
}

// A server that refuses connections, and one that takes them and never
// answers: the sync ends well within its own deadline, says why the list
// could not be refreshed, and loses nothing; the next sync with the server
// back writes what was edited meanwhile.
TEST_F(CalDavSyncTest, UnreachableServerDuringRefreshEndsTheSyncInTimeWithTheReason)
{
    first.add("Fix the bike", "Rear brake", normal, dueFirst);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(succeeded(catchUpAndSync(first)));
    const auto loggedRefreshProblem = [&] {
        const auto actions = first.lastLoggedActions();
        return std::any_of(actions.begin(), actions.end(), [](const std::string& action) {
            return action.rfind("skipped: Shared Tasks: 未能从服务器取得最新内容，按本机缓存同步：无法连接服务器", 0) == 0;
        });
    };

    // Refused: the list answers from its copy and the sync says so.
    server.stop();
    std::string status = first.sync();
    EXPECT_TRUE(succeeded(status)) << "nothing to write, so the copy is enough: " << status;
    EXPECT_TRUE(loggedRefreshProblem()) << ::testing::PrintToString(first.lastLoggedActions());

    // Hanging: given up on at the bound, the reason in the status.
    first.edit("Fix the bike", "details", "Both brakes");
    ASSERT_TRUE(server.stopAnswering());
    const auto started = std::chrono::steady_clock::now();
    status = first.sync();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(20)) << "the refresh is bounded well inside the sync's own deadline";
    EXPECT_EQ(status.rfind("同步失败：", 0), 0u) << status;
    EXPECT_NE(status.find("无法从服务器刷新「Shared Tasks」：无法连接服务器"), std::string::npos) << status;
    auto notes = first.notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].details, "Both brakes") << "the edit is kept";

    ASSERT_FALSE(server.start());
    status = first.sync();
    EXPECT_TRUE(succeeded(status)) << status;
    EXPECT_EQ(first.lastWritten(), 1);
    const auto items = server.items(user, collection);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(unfoldedProperty(items.begin()->second, "DESCRIPTION"), "Both brakes");
}

TEST_F(CalDavSyncTest, SyncsWithNothingEditedLeaveTheServerUntouched)
{
    first.add("First", "One", high, dueFirst);
    first.add("Second", "", normal, dueSecond);
    first.add("Third", "Three", low, dueFirst);
    ASSERT_TRUE(succeeded(first.sync()));
    ASSERT_TRUE(succeeded(catchUpAndSync(second)));
    ASSERT_TRUE(succeeded(catchUpAndSync(first)));

    const auto before = server.storageSnapshot();
    const int writesBefore = server.writeRequestCount();
    for (int round = 0; round < 2; ++round) {
        for (CalDavHome* home : { &first, &second }) {
            EXPECT_TRUE(succeeded(catchUpAndSync(*home)));
            EXPECT_EQ(home->lastWritten(), 0) << home->name() << ", round " << round;
            EXPECT_EQ(home->lastImported(), 0) << home->name() << ", round " << round;
        }
    }
    EXPECT_EQ(server.writeRequestCount(), writesBefore) << server.log();
    EXPECT_EQ(server.storageSnapshot(), before) << "the server's files are byte for byte the same";
}

} // namespace
