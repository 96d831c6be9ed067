#include "state/SaveQueue.h"

#include "model/AppLogger.h"
#include "model/NoteRepository.h"
#include "model/UserCalendar.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

using namespace brivet;
using namespace brivet::testing;

namespace {

// Both stores in one: every write goes into one log ("notes:<first title>"
// or "preferences:<opacity>"); the first write can be held until released.
class HeldStores final : public NoteRepository, public PreferencesStore {
public:
    std::vector<std::string> log;
    bool holdFirst = false;

    std::vector<StickyNote> loadNotes() override { return {}; }
    AppPreferences loadPreferences() override { return {}; }
    Status save(const std::vector<StickyNote>& notes) override
    {
        enter();
        record("notes:" + (notes.empty() ? std::string() : notes.front().title));
        return Status::success();
    }
    Status save(const AppPreferences& preferences) override
    {
        enter();
        record("preferences:" + std::to_string(preferences.defaultOpacity));
        return Status::success();
    }

    void waitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_held; });
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    void enter()
    {
        std::unique_lock lock(m_mutex);
        if (!holdFirst || m_held)
            return;
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
    }
    void record(std::string entry)
    {
        std::lock_guard lock(m_mutex);
        log.push_back(std::move(entry));
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

std::vector<StickyNote> notesTitled(const std::string& title)
{
    StickyNote note = StickyNote::placeholder(Uuid::random(), Instant {});
    note.title = title;
    return { note };
}

AppPreferences withOpacity(double opacity)
{
    AppPreferences preferences;
    preferences.defaultOpacity = opacity;
    return preferences;
}

struct SaveQueueTest : ::testing::Test {
    ManualClock clock;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    AppLogger logger { clock, calendar };
    HeldStores stores;
};

TEST_F(SaveQueueTest, WhileAFileIsWrittenNewerSnapshotsReplaceWaitingOnesInTheOrderAsked)
{
    stores.holdFirst = true;
    SaveQueue queue(stores, stores, logger, SaveThread::writer);
    queue.saveNotes(notesTitled("v1"));
    stores.waitUntilHeld(); // v1 is being written and cannot finish
    queue.savePreferences(withOpacity(0.5));
    queue.saveNotes(notesTitled("v2"));
    queue.saveNotes(notesTitled("v3"));
    queue.savePreferences(withOpacity(0.75));
    stores.release();
    queue.waitUntilWritten();
    EXPECT_EQ(stores.log, (std::vector<std::string> { "notes:v1", "preferences:0.750000", "notes:v3" }));
}

TEST_F(SaveQueueTest, EndingTheQueueWritesWhatIsStillWaiting)
{
    stores.holdFirst = true;
    {
        SaveQueue queue(stores, stores, logger, SaveThread::writer);
        queue.saveNotes(notesTitled("v1"));
        stores.waitUntilHeld();
        queue.saveNotes(notesTitled("at quit"));
        stores.release();
    }
    EXPECT_EQ(stores.log, (std::vector<std::string> { "notes:v1", "notes:at quit" }));
}

TEST_F(SaveQueueTest, OnTheCallersThreadEachSaveIsDoneWhenItReturns)
{
    SaveQueue queue(stores, stores, logger, SaveThread::caller);
    queue.saveNotes(notesTitled("a"));
    EXPECT_EQ(stores.log, (std::vector<std::string> { "notes:a" }));
    queue.savePreferences(withOpacity(0.5));
    EXPECT_EQ(stores.log.back(), "preferences:0.500000");
}

} // namespace
