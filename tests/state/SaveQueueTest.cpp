#include "state/SaveQueue.h"

#include "model/AppLogger.h"
#include "model/NoteRepository.h"
#include "model/UserCalendar.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace brivet;
using namespace brivet::testing;

namespace {

// Holds the first thread that reaches it until released; those after it
// pass.
class Hold {
public:
    void reach()
    {
        std::unique_lock lock(m_mutex);
        if (m_held)
            return;
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
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
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

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

    void waitUntilHeld() { m_hold.waitUntilHeld(); }
    void release() { m_hold.release(); }

private:
    void enter()
    {
        if (holdFirst)
            m_hold.reach();
    }
    void record(std::string entry)
    {
        std::lock_guard lock(m_mutex);
        log.push_back(std::move(entry));
    }

    Hold m_hold;
    std::mutex m_mutex;
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

// Every write, as a sequence number carried in the first note's title (or
// "empty"), or the opacity of the preferences; stores can be slowed down.
class NumberedStores final : public NoteRepository, public PreferencesStore {
public:
    std::vector<StickyNote> loadNotes() override { return {}; }
    AppPreferences loadPreferences() override { return {}; }
    Status save(const std::vector<StickyNote>& notes) override
    {
        dawdle();
        std::lock_guard lock(m_mutex);
        notesWritten.push_back(notes.empty() ? -1 : std::stoi(notes.front().title));
        return Status::success();
    }
    Status save(const AppPreferences& preferences) override
    {
        dawdle();
        std::lock_guard lock(m_mutex);
        preferencesWritten.push_back(static_cast<int>(preferences.focusBoardTaskLimit));
        return Status::success();
    }
    std::atomic<int> spins { 0 };
    std::vector<int> notesWritten; // -1: an empty list
    std::vector<int> preferencesWritten;

private:
    void dawdle() const
    {
        for (int i = 0; i < spins; ++i)
            std::this_thread::yield();
    }
    std::mutex m_mutex;
};

std::vector<StickyNote> numbered(int number)
{
    return notesTitled(std::to_string(number));
}

AppPreferences numberedPreferences(int number)
{
    AppPreferences preferences;
    preferences.focusBoardTaskLimit = number;
    return preferences;
}

// Holds the writer at one step of its first write until released.
class WriterGate {
public:
    WriterGate(SaveFile file, WriterStep step) : m_file(file), m_step(step) { }
    SaveQueue::WriterProbe probe()
    {
        return [this](SaveFile file, WriterStep step) {
            if (file == m_file && step == m_step)
                m_hold.reach();
        };
    }
    void waitUntilHeld() { m_hold.waitUntilHeld(); }
    void release() { m_hold.release(); }

private:
    const SaveFile m_file;
    const WriterStep m_step;
    Hold m_hold;
};

// Whatever the writer is doing when a snapshot is handed over (just taken
// the previous one, written it, recorded it), every write is a snapshot that
// was handed over, in order, and the last one handed over is the last
// written.
TEST_F(SaveQueueTest, ASnapshotHandedOverAtAnyStepOfAWriteIsWrittenAfterItAndNothingElseIs)
{
    for (SaveFile file : { SaveFile::notes, SaveFile::preferences }) {
        for (WriterStep step : { WriterStep::taken, WriterStep::written, WriterStep::finished }) {
            SCOPED_TRACE(::testing::Message() << "file " << static_cast<int>(file) << ", step " << static_cast<int>(step));
            NumberedStores written;
            WriterGate gate(file, step);
            {
                SaveQueue queue(written, written, logger, SaveThread::writer, {}, gate.probe());
                const auto submit = [&](int number) {
                    if (file == SaveFile::notes)
                        queue.saveNotes(numbered(number));
                    else
                        queue.savePreferences(numberedPreferences(number));
                };
                submit(1);
                gate.waitUntilHeld();
                submit(2);
                submit(3);
                gate.release();
                queue.waitUntilWritten();
                const auto& log = file == SaveFile::notes ? written.notesWritten : written.preferencesWritten;
                EXPECT_EQ(log, (std::vector<int> { 1, 3 }));
                submit(4); // the queue is idle again and takes more
                queue.waitUntilWritten();
                EXPECT_EQ(log.back(), 4);
            }
            EXPECT_TRUE(written.notesWritten.empty() || file == SaveFile::notes);
            EXPECT_TRUE(written.preferencesWritten.empty() || file == SaveFile::preferences);
        }
    }
}

// Bursts of hand-overs against a real writer and a slow store, for long
// enough to meet the rare orders: every write is one that was handed over,
// in order, never an empty list, and the last one is the last handed over.
TEST_F(SaveQueueTest, BurstsOfSavesAgainstAWriterWriteOnlyWhatWasHandedOverInOrder)
{
    NumberedStores written;
    int lastNotes = 0;
    int lastPreferences = 0;
    {
        SaveQueue queue(written, written, logger, SaveThread::writer);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        int burst = 0;
        while (std::chrono::steady_clock::now() < until) {
            ++burst;
            // A fast store meets more hand-overs, a slow one replaces more
            // waiting snapshots.
            written.spins = (burst / 200) % 2 ? 20 : 0;
            for (int i = 0; i < 1 + burst % 7; ++i)
                queue.saveNotes(numbered(++lastNotes));
            if (burst % 3 == 0)
                queue.savePreferences(numberedPreferences(++lastPreferences));
            if (burst % 50 == 0)
                queue.waitUntilWritten();
            else
                std::this_thread::yield();
        }
        queue.waitUntilWritten();
        ASSERT_FALSE(written.notesWritten.empty());
        EXPECT_EQ(written.notesWritten.back(), lastNotes);
        if (lastPreferences > 0) {
            EXPECT_EQ(written.preferencesWritten.back(), lastPreferences);
        }
    }
    for (std::size_t i = 0; i < written.notesWritten.size(); ++i) {
        ASSERT_GT(written.notesWritten[i], 0) << "write " << i << " of " << written.notesWritten.size() << " was empty";
        if (i > 0) {
            ASSERT_GT(written.notesWritten[i], written.notesWritten[i - 1]) << "write " << i << " went back";
        }
    }
    for (std::size_t i = 1; i < written.preferencesWritten.size(); ++i)
        ASSERT_GT(written.preferencesWritten[i], written.preferencesWritten[i - 1]);
}

// A store that throws is a failed save: logged, kept, and written by the
// next retry; the process goes on.
TEST_F(SaveQueueTest, AStoreThatThrowsFailsTheSaveAndTheSnapshotIsKeptForTheRetry)
{
    struct Throwing final : NoteRepository, PreferencesStore {
        std::atomic<bool> broken { true };
        std::vector<std::string> titles;
        std::vector<StickyNote> loadNotes() override { return {}; }
        AppPreferences loadPreferences() override { return {}; }
        Status save(const std::vector<StickyNote>& notes) override
        {
            if (broken)
                throw std::runtime_error("encoder blew up");
            titles.push_back(notes.front().title);
            return Status::success();
        }
        Status save(const AppPreferences&) override
        {
            if (broken)
                throw 42;
            return Status::success();
        }
    } stores;
    std::vector<SaveOutcome> outcomes;
    std::mutex outcomesMutex;
    SaveQueue queue(stores, stores, logger, SaveThread::writer, [&](SaveOutcome outcome) {
        std::lock_guard lock(outcomesMutex);
        outcomes.push_back(outcome);
    });
    queue.saveNotes(notesTitled("kept"));
    queue.savePreferences(withOpacity(0.5));
    queue.waitUntilWritten();
    EXPECT_TRUE(queue.isFailing());
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_FALSE(outcomes[1].ok);
    const auto& entries = logger.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[0].find("Save notes failed: unexpected error: encoder blew up"), std::string::npos);
    EXPECT_NE(entries[1].find("Save preferences failed: unexpected error"), std::string::npos);

    stores.broken = false;
    EXPECT_TRUE(queue.retryFailed());
    queue.waitUntilWritten();
    EXPECT_EQ(stores.titles, (std::vector<std::string> { "kept" }));
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_TRUE(outcomes[2].ok && outcomes[3].ok) << "both files work again";
    EXPECT_FALSE(queue.isFailing());
    EXPECT_FALSE(queue.retryFailed()) << "nothing is left to try";
}

} // namespace
