#include "EdsTestSupport.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "model/UserCalendar.h"
#include "sync/eds/EdsSyncService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

class EdsFactoryCrash : public EdsTest {
protected:
    EdsFactoryCrash() : calendar("Europe/Berlin", "en_US") { }

    std::optional<SyncService::SyncResult> sync(std::vector<StickyNote> notes)
    {
        return awaitCompletion<SyncService::SyncResult>(
            [&](auto done) { service->synchronize(std::move(notes), preferences, done); }, 30s);
    }

    // The summaries of the VTODOs in a list, as a fresh client reads them.
    std::multiset<std::string> summariesIn(const std::string& listUid)
    {
        std::multiset<std::string> summaries;
        ECalClient* client = eds().client(listUid);
        if (!client)
            return summaries;
        GSList* components = nullptr;
        GError* error = nullptr;
        if (!e_cal_client_get_object_list_sync(client, "#t", &components, nullptr, &error)) {
            ADD_FAILURE() << error->message;
            g_clear_error(&error);
            return summaries;
        }
        for (GSList* item = components; item; item = item->next)
            summaries.insert(i_cal_component_get_summary(I_CAL_COMPONENT(item->data)));
        g_slist_free_full(components, g_object_unref);
        return summaries;
    }

    SystemClock clock;
    UserCalendar calendar;
    std::unique_ptr<SyncService> service;
    AppPreferences preferences;
};

TEST_F(EdsFactoryCrash, ASyncCutShortByADeadFactoryFailsAndTheNextWritesEveryNoteOnce)
{
    addList("crash-list", "Crash List");
    service = makeEdsSyncService(clock, calendar);
    preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.includeCalendarEvents = false;
    preferences.selectedReminderListIDs = { "crash-list" };

    std::vector<StickyNote> notes;
    std::multiset<std::string> titles;
    for (int i = 0; i < 12; ++i) {
        StickyNote note = StickyNote::placeholder(Uuid::random(), clock.now());
        note.title = "Crash " + std::to_string(i);
        note.syncToReminders = true;
        note.dueDate = clock.now() + 24h;
        titles.insert(note.title);
        notes.push_back(note);
    }
    // The links the engine reports as it writes (the state records them on
    // the notes at once); the factory dies after the fourth.
    std::map<Uuid, ExternalLink> links;
    int killed = 0;
    service->setLinkHandler([&](const Uuid& noteId, const ExternalLink& link) {
        links[noteId] = link;
        if (links.size() == 4 && killed == 0)
            killed = eds().killCalendarFactory();
    });

    const auto started = std::chrono::steady_clock::now();
    auto cut = sync(notes);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_GT(killed, 0) << "no calendar factory to kill";
    ASSERT_TRUE(cut) << "the sync never ended";
    const auto* failure = std::get_if<SyncFailure>(&*cut);
    ASSERT_NE(failure, nullptr) << "a sync whose factory died reported success";
    EXPECT_NE(failure->description.find("the calendar service of Evolution Data Server stopped"), std::string::npos)
        << failure->description;
    EXPECT_LT(took, 20s) << "the dead factory was noticed only by the sync deadline";
    EXPECT_EQ(links.size(), 4u);

    // What the app keeps: its notes with the links that arrived.
    for (StickyNote& note : notes) {
        if (auto link = links.find(note.id); link != links.end())
            note.externalLink = link->second;
    }
    // The bus starts a new factory for the next sync.
    auto again = sync(notes);
    ASSERT_TRUE(again) << "the sync after the crash never ended";
    if (auto* error = std::get_if<SyncFailure>(&*again))
        FAIL() << "the sync after the crash failed: " << error->description;
    const SyncExecution& execution = std::get<SyncExecution>(*again);
    EXPECT_EQ(execution.report.remindersWritten, 8);
    EXPECT_EQ(execution.report.remindersImported, 0) << "a reminder came back as a second note";
    EXPECT_EQ(execution.notes.size(), notes.size());
    std::set<std::string> linked;
    for (const StickyNote& note : execution.notes) {
        ASSERT_TRUE(note.externalLink) << note.title;
        linked.insert(note.externalLink->externalID);
    }
    EXPECT_EQ(linked.size(), notes.size());
    EXPECT_EQ(summariesIn("crash-list"), titles) << "each note is in the list exactly once";
}

// The source registry dies between two syncs: its sources vanish from every
// client, which must not read as "the selected list is gone". The next sync
// starts the registry again and keeps the note imported from the list.
TEST_F(EdsFactoryCrash, ASyncAfterTheRegistryDiedKeepsTheNotesOfItsLists)
{
    addList("registry-list", "Registry List");
    putComponent("registry-list", "BEGIN:VTODO\r\nUID:registry-todo\r\nSUMMARY:Survives\r\nEND:VTODO\r\n");
    service = makeEdsSyncService(clock, calendar);
    preferences = AppPreferences::defaultValue(calendar, clock.now());
    preferences.includeCalendarEvents = false;
    preferences.reminderSyncRequiresDueDate = false;
    preferences.selectedReminderListIDs = { "registry-list" };
    auto first = sync({});
    ASSERT_TRUE(first && std::holds_alternative<SyncExecution>(*first));
    const std::vector<StickyNote> notes = std::get<SyncExecution>(*first).notes;
    ASSERT_EQ(notes.size(), 1u);

    ASSERT_GT(eds().killSourceRegistry(), 0) << "no source registry to kill";
    waitUntil([] { return false; }, 300ms); // the clients hear of it
    auto second = sync(notes);
    ASSERT_TRUE(second) << "the sync after the registry died never ended";
    if (auto* execution = std::get_if<SyncExecution>(&*second)) {
        ASSERT_EQ(execution->notes.size(), 1u) << "the imported note was dropped";
        EXPECT_EQ(execution->notes[0].id, notes[0].id);
    } else {
        std::printf("after the registry died: %s\n", std::get<SyncFailure>(*second).description.c_str());
    }
    // The sandbox's own registry client finds the restarted service too.
    EXPECT_TRUE(waitUntil([&] {
        ESource* source = e_source_registry_ref_source(eds().registry(), "registry-list");
        if (source)
            g_object_unref(source);
        return source != nullptr;
    }));
}

} // namespace
