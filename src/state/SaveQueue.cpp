#include "state/SaveQueue.h"

#include "model/AppLogger.h"
#include "model/NoteRepository.h"

#include <cassert>
#include <exception>

namespace brivet {

namespace {

const char* nameOf(SaveFile file)
{
    return file == SaveFile::notes ? "notes" : "preferences";
}

} // namespace

SaveQueue::SaveQueue(NoteRepository& notes, PreferencesStore& preferences, AppLogger& logger, SaveThread thread,
    OutcomeHandler onOutcome, WriterProbe probe)
    : m_notesStore(notes)
    , m_preferencesStore(preferences)
    , m_logger(logger)
    , m_mode(thread)
    , m_onOutcome(std::move(onOutcome))
    , m_probe(std::move(probe))
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
    submit(SaveFile::notes, std::move(notes));
}

void SaveQueue::savePreferences(AppPreferences preferences)
{
    submit(SaveFile::preferences, std::move(preferences));
}

std::string SaveQueue::PendingWrite::name() const
{
    if (const auto* other = std::get_if<OtherFile>(&snapshot))
        return other->name;
    return nameOf(file);
}

SaveQueue::PendingWrite* SaveQueue::queued(const std::string& name)
{
    for (PendingWrite& write : m_queue)
        if (write.name() == name)
            return &write;
    return nullptr;
}

void SaveQueue::saveOther(std::string name, std::function<Status()> write)
{
    submit(SaveFile::other, OtherFile { std::move(name), std::move(write) });
}

// The snapshot and its place in the queue change in one critical section:
// the writer sees either neither or both.
void SaveQueue::submit(SaveFile file, Snapshot snapshot)
{
    assert((file == SaveFile::notes) == std::holds_alternative<std::vector<StickyNote>>(snapshot));
    assert((file == SaveFile::other) == std::holds_alternative<OtherFile>(snapshot));
    PendingWrite write { file, std::move(snapshot) };
    const std::string name = write.name();
    std::unique_lock lock(m_mutex);
    state(name).unsaved.reset(); // this one is newer
    if (PendingWrite* waiting = queued(name))
        waiting->snapshot = std::move(write.snapshot);
    else
        m_queue.push_back(std::move(write));
    if (m_mode == SaveThread::caller) {
        while (!m_queue.empty())
            writeNext(lock);
        return;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    lock.unlock();
    m_wake.notify_one();
}

bool SaveQueue::retryFailed()
{
    std::vector<PendingWrite> retry;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [name, fileState] : m_states) {
            if (fileState.unsaved && !queued(name)) {
                Snapshot& snapshot = *fileState.unsaved;
                const SaveFile file = std::holds_alternative<std::vector<StickyNote>>(snapshot) ? SaveFile::notes
                    : std::holds_alternative<AppPreferences>(snapshot)                          ? SaveFile::preferences
                                                                                                : SaveFile::other;
                retry.push_back(PendingWrite { file, std::move(snapshot) });
            }
            fileState.unsaved.reset();
        }
    }
    for (PendingWrite& write : retry)
        submit(write.file, std::move(write.snapshot));
    return !retry.empty();
}

void SaveQueue::waitUntilWritten()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

bool SaveQueue::isFailing() const
{
    std::lock_guard lock(m_mutex);
    for (const auto& [name, fileState] : m_states)
        if (fileState.failure)
            return true;
    return false;
}

void SaveQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping with nothing left
        writeNext(lock);
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

bool SaveQueue::flush()
{
    retryFailed();
    waitUntilWritten();
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [name, fileState] : m_states)
            if (fileState.failure)
                lines.push_back("Quitting with the " + name + " unsaved: " + *fileState.failure);
    }
    for (const std::string& line : lines)
        m_logger.log(line);
    return lines.empty();
}

// Whatever the store throws is a failed save like any other: the writer
// thread must never end the process, and the snapshot is kept for a retry.
Status SaveQueue::store(const Snapshot& snapshot)
{
    try {
        if (const auto* notes = std::get_if<std::vector<StickyNote>>(&snapshot))
            return m_notesStore.save(*notes);
        if (const auto* other = std::get_if<OtherFile>(&snapshot))
            return other->write ? other->write() : Status::success();
        return m_preferencesStore.save(std::get<AppPreferences>(snapshot));
    } catch (const std::exception& error) {
        return Status::failure(std::string("unexpected error: ") + error.what());
    } catch (...) {
        return Status::failure("unexpected error");
    }
}

void SaveQueue::writeNext(std::unique_lock<std::mutex>& lock)
{
    assert(lock.owns_lock() && !m_queue.empty());
    PendingWrite write = std::move(m_queue.front());
    m_queue.pop_front();
    m_writing = true;
    lock.unlock();

    probe(write.file, WriterStep::taken);
    Status status = store(write.snapshot);
    probe(write.file, WriterStep::written);

    lock.lock();
    const std::string name = write.name();
    FileState& fileState = state(name);
    // One line when a file starts failing and one when it works again, not
    // one per keystroke in between.
    std::string line;
    const bool recovered = status.ok() && fileState.failure;
    if (status.ok()) {
        if (recovered)
            line = "Saving the " + name + " works again";
        fileState.failure.reset();
    } else {
        if (!fileState.failure)
            line = "Save " + name + " failed: " + status.message()
                + " (kept in memory; tried again shortly and at every change)";
        fileState.failure = status.message();
        if (!queued(name))
            fileState.unsaved = std::move(write.snapshot);
    }
    lock.unlock();
    if (!line.empty())
        m_logger.log(line);
    if (m_onOutcome && (!status.ok() || recovered))
        m_onOutcome(SaveOutcome { write.file, status.ok() });
    write.snapshot = {}; // freeing a large list is work for this thread too
    probe(write.file, WriterStep::finished);
    lock.lock();
    m_writing = false;
}

} // namespace brivet
