#include "state/NotesSavePolicy.h"

#include "state/SaveQueue.h"

namespace brivet {

NotesSavePolicy::NotesSavePolicy(Scheduler& scheduler, SaveQueue& saves, const std::vector<StickyNote>& notes,
    Duration debounceDelay, Duration launchDelay)
    : m_scheduler(scheduler)
    , m_saves(saves)
    , m_notes(notes)
    , m_debounceDelay(debounceDelay)
    , m_launchDelay(launchDelay)
{
}

void NotesSavePolicy::request(SaveTiming timing)
{
    if (timing == SaveTiming::debounced) {
        if (m_requested == Request::nothing)
            m_requested = Request::debounced;
        return;
    }
    m_requested = Request::now;
    if (m_waiting == Waiting::debounce) {
        m_task.cancel();
        m_debouncedSnapshot.reset();
        m_waiting = Waiting::nothing;
    }
}

void NotesSavePolicy::settle(NotesHandOver when)
{
    Request requested = m_requested;
    m_requested = Request::nothing;
    switch (requested) {
    case Request::nothing:
        return;
    case Request::debounced:
        startDebounce();
        return;
    case Request::now:
        if (when == NotesHandOver::now) {
            handOver();
            return;
        }
        // A later launch step restarts the wait: the list is handed over
        // once, after the last of them.
        m_waiting = Waiting::launchHandOver;
        m_task = TaskHandle(m_scheduler, m_scheduler.schedule(m_launchDelay, [this] {
            m_task.release();
            writeLaunchHandOver();
        }));
        return;
    }
}

void NotesSavePolicy::writeLaunchHandOver()
{
    if (m_waiting == Waiting::launchHandOver)
        handOver();
}

void NotesSavePolicy::writeWaiting()
{
    switch (m_waiting) {
    case Waiting::nothing:
        return;
    case Waiting::launchHandOver:
        handOver();
        return;
    case Waiting::debounce: {
        m_task.cancel();
        m_waiting = Waiting::nothing;
        std::vector<StickyNote> snapshot = std::move(*m_debouncedSnapshot);
        m_debouncedSnapshot.reset();
        m_saves.saveNotes(std::move(snapshot));
        return;
    }
    }
}

void NotesSavePolicy::handOver()
{
    m_task.cancel();
    m_waiting = Waiting::nothing;
    m_saves.saveNotes(m_notes);
}

void NotesSavePolicy::startDebounce()
{
    // The debounced snapshot is newer than anything the launch hand-over
    // would write later; that one goes first.
    writeLaunchHandOver();
    m_debouncedSnapshot = m_notes;
    m_waiting = Waiting::debounce;
    m_task = TaskHandle(m_scheduler, m_scheduler.schedule(m_debounceDelay, [this] {
        m_task.release();
        writeWaiting();
    }));
}

} // namespace brivet
