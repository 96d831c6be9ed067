#include "support/InMemoryEventStore.h"
#include "support/StateFixture.h"

#include "model/NoteCoding.h"
#include "sync/ReminderSyncEngine.h"

#include <gtest/gtest.h>

using namespace brivet;
using namespace brivet::testing;
using namespace std::chrono_literals;

namespace {

// A note synced to the list "work" once, then its reminder edited on
// another device while the card is handled here.
class CardChangesAndSync : public ::testing::Test {
protected:
    CardChangesAndSync()
    {
        auto owned = std::make_unique<InMemoryEventStore>(fixture.clock);
        store = owned.get();
        engine = std::make_unique<ReminderSyncEngine>(std::move(owned), fixture.clock, fixture.calendar);
        fixture.syncService = engine.get();
        store->addList("work", "工作");
        fixture.preferencesStore.fallback.includeCalendarEvents = false;
        fixture.preferencesStore.fallback.autoGenerateFocusBoard = false;

        StickyNote note = StateFixture::makeNote("买牛奶");
        note.syncToReminders = true;
        fixture.launchWith({ note }, [](AppPreferences& p) { p.selectedReminderListIDs = { "work" }; });
        id = note.id;
        state().synchronizeSystemData(true);
        const StickyNote* synced = state().findNote(id);
        uid = synced && synced->externalLink ? synced->externalLink->externalID : std::string();
    }
    ~CardChangesAndSync() override { fixture.destroyState(); }

    AppState& state() { return fixture.state(); }
    StoreReminder& reminder() { return *store->reminder(uid); }
    void editReminderElsewhere(const std::string& title)
    {
        fixture.clock.advance(10min);
        reminder().title = title;
        reminder().lastModifiedDate = fixture.clock.now();
    }

    StateFixture fixture;
    InMemoryEventStore* store = nullptr;
    std::unique_ptr<ReminderSyncEngine> engine;
    Uuid id;
    std::string uid;
};

TEST_F(CardChangesAndSync, MovingResizingOrHidingACardLetsANewerEditOfItsReminderWin)
{
    ASSERT_FALSE(uid.empty());
    editReminderElsewhere("买燕麦奶");
    const int savesBefore = store->saveAttempts;

    fixture.clock.advance(10min);
    state().reveal(id, SurfacePolicy::bypass, WindowFocus::keep);
    state().updateWindowFrame(id, Rect { 300, 300, 344, 248 });
    state().setDisplayMode(id, NoteDisplayMode::detail);
    state().hide(id);
    EXPECT_GT(state().findNote(id)->updatedAt, reminder().lastModifiedDate.value());

    fixture.clock.advance(1min);
    state().synchronizeSystemData(true);
    EXPECT_EQ(state().findNote(id)->title, "买燕麦奶");
    EXPECT_EQ(reminder().title, "买燕麦奶");
    EXPECT_EQ(store->saveAttempts, savesBefore) << "nothing was written over the other device's edit";
}

TEST_F(CardChangesAndSync, AnEditOfTheNoteItselfAfterTheReminderChangedStillWins)
{
    editReminderElsewhere("买燕麦奶");
    fixture.clock.advance(10min);
    state().updateWindowFrame(id, Rect { 300, 300, 344, 248 }); // first a move…
    state().updateNoteTitle(id, "买豆奶");                        // …then a real edit

    fixture.clock.advance(1min);
    state().synchronizeSystemData(true);
    EXPECT_EQ(reminder().title, "买豆奶");
    EXPECT_EQ(state().findNote(id)->title, "买豆奶");

    // Ticking it done is an edit the store holds too.
    editReminderElsewhere("买豆奶 两盒");
    fixture.clock.advance(10min);
    StickyNote done = *state().findNote(id);
    done.isCompleted = true;
    state().update(done);
    fixture.clock.advance(1min);
    state().synchronizeSystemData(true);
    EXPECT_TRUE(reminder().isCompleted);
    EXPECT_EQ(reminder().title, "买豆奶") << "the note won as a whole";
}

TEST_F(CardChangesAndSync, WhenTheStoreFieldsLastChangedSurvivesTheNotesFile)
{
    fixture.clock.advance(10min);
    state().updateWindowFrame(id, Rect { 300, 300, 344, 248 });
    const StickyNote moved = *state().findNote(id);
    ASSERT_TRUE(moved.contentUpdatedAt.has_value());
    EXPECT_LT(*moved.contentUpdatedAt, moved.updatedAt);

    // The file keeps whole seconds.
    const std::string text = encodeNotesFile({ moved });
    auto decoded = decodeNotesFile(text, fixture.clock.now());
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(decoded));
    const StickyNote& read = std::get<std::vector<StickyNote>>(decoded).at(0);
    EXPECT_EQ(encodeNotesFile({ read }), text);
    EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(*read.contentUpdatedAt),
        std::chrono::floor<std::chrono::seconds>(*moved.contentUpdatedAt));

    // A file written before the key existed: the edit time is the only one.
    StickyNote older = read;
    older.contentUpdatedAt.reset();
    const std::string olderText = encodeNotesFile({ older });
    EXPECT_EQ(olderText.find("contentUpdatedAt"), std::string::npos);
    auto decodedOlder = decodeNotesFile(olderText, fixture.clock.now());
    EXPECT_EQ(std::get<std::vector<StickyNote>>(decodedOlder).at(0).storeFieldsUpdatedAt(), read.updatedAt);
}

} // namespace
