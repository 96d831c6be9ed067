#include "state/SaveQueue.h"

#include "model/AppLogger.h"
#include "model/NoteRepository.h"

#include <algorithm>

namespace brivet {

SaveQueue::SaveQueue(NoteRepository& notes, PreferencesStore& preferences, AppLogger& logger, SaveThread thread)
    : m_notesStore(notes)
    , m_preferencesStore(preferences)
    , m_logger(logger)
    , m_mode(thread)
{
}

SaveQueue::~SaveQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SaveQueue::saveNotes(std::vector<StickyNote> notes)
{
    {
        std::lock_guard lock(m_mutex);
        m_notes = std::move(notes);
    }
    enqueue(File::notes);
}

void SaveQueue::savePreferences(AppPreferences preferences)
{
    {
        std::lock_guard lock(m_mutex);
        m_preferences = std::move(preferences);
    }
    enqueue(File::preferences);
}

void SaveQueue::enqueue(File file)
{
    std::unique_lock lock(m_mutex);
    if (std::find(m_order.begin(), m_order.end(), file) == m_order.end())
        m_order.push_back(file);
    if (m_mode == SaveThread::caller) {
        while (!m_order.empty()) {
            File next = m_order.front();
            m_order.erase(m_order.begin());
            write(next, lock);
        }
        return;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    lock.unlock();
    m_wake.notify_one();
}

void SaveQueue::waitUntilWritten()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_order.empty() && !m_writing; });
}

void SaveQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_order.empty(); });
        if (m_order.empty())
            return; // stopping with nothing left
        File next = m_order.front();
        m_order.erase(m_order.begin());
        m_writing = true;
        write(next, lock);
        m_writing = false;
        if (m_order.empty())
            m_idle.notify_all();
    }
}

bool SaveQueue::flush()
{
    std::vector<File> retry;
    {
        std::lock_guard lock(m_mutex);
        if (m_unsavedNotes && !m_notes) {
            m_notes = std::move(m_unsavedNotes);
            retry.push_back(File::notes);
        }
        if (m_unsavedPreferences && !m_preferences) {
            m_preferences = std::move(m_unsavedPreferences);
            retry.push_back(File::preferences);
        }
        m_unsavedNotes.reset();
        m_unsavedPreferences.reset();
    }
    for (File file : retry)
        enqueue(file);
    waitUntilWritten();
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_mutex);
        if (m_notesFailure)
            lines.push_back("Quitting with the notes unsaved: " + *m_notesFailure);
        if (m_preferencesFailure)
            lines.push_back("Quitting with the preferences unsaved: " + *m_preferencesFailure);
    }
    for (const std::string& line : lines)
        m_logger.log(line);
    return lines.empty();
}

template<typename Snapshot, typename Store>
void SaveQueue::writeSnapshot(std::optional<Snapshot>& waiting, std::optional<Snapshot>& unsaved,
    std::optional<std::string>& failure, Store& store, const char* name, std::unique_lock<std::mutex>& lock)
{
    Snapshot snapshot = std::move(*waiting);
    waiting.reset();
    unsaved.reset(); // this one is newer
    lock.unlock();
    Status status = store.save(snapshot);
    lock.lock();
    // One line when a file starts failing and one when it works again, not
    // one per keystroke in between.
    std::string line;
    if (status.ok()) {
        if (failure)
            line = std::string("Saving the ") + name + " works again";
        failure.reset();
    } else {
        if (!failure)
            line = std::string("Save ") + name + " failed: " + status.message()
                + " (kept in memory; every change tries again)";
        failure = status.message();
        if (!waiting)
            unsaved = std::move(snapshot);
    }
    lock.unlock();
    if (!line.empty())
        m_logger.log(line);
    snapshot = {}; // freeing a large list is work for this thread too
    lock.lock();
}

// Called with the lock held; the file is written without it, so the caller
// can hand over the next snapshot meanwhile.
void SaveQueue::write(File file, std::unique_lock<std::mutex>& lock)
{
    if (file == File::notes)
        writeSnapshot(m_notes, m_unsavedNotes, m_notesFailure, m_notesStore, "notes", lock);
    else
        writeSnapshot(m_preferences, m_unsavedPreferences, m_preferencesFailure, m_preferencesStore, "preferences", lock);
}

} // namespace brivet
