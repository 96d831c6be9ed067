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

// Called with the lock held; the file is written without it, so the caller
// can hand over the next snapshot meanwhile.
void SaveQueue::write(File file, std::unique_lock<std::mutex>& lock)
{
    if (file == File::notes) {
        std::vector<StickyNote> notes = std::move(*m_notes);
        m_notes.reset();
        lock.unlock();
        Status status = m_notesStore.save(notes);
        if (!status.ok())
            m_logger.log("Save notes failed: " + status.message());
        notes = {}; // freeing a large list is work for this thread too
        lock.lock();
    } else {
        AppPreferences preferences = std::move(*m_preferences);
        m_preferences.reset();
        lock.unlock();
        Status status = m_preferencesStore.save(preferences);
        if (!status.ok())
            m_logger.log("Save preferences failed: " + status.message());
        lock.lock();
    }
}

} // namespace brivet
