#include "state/SaveQueue.h"

#include "model/AppLogger.h"
#include "model/NoteRepository.h"
#include "model/TrashStore.h"

#include <algorithm>
#include <cassert>
#include <exception>

namespace brivet {

namespace {

constexpr SaveFile allFiles[] = { SaveFile::notes, SaveFile::preferences, SaveFile::trash };

const char* nameOf(SaveFile file)
{
    switch (file) {
    case SaveFile::notes: return "notes";
    case SaveFile::preferences: return "preferences";
    case SaveFile::trash: return "trash";
    }
    return "";
}

SaveFile fileOf(const std::variant<std::vector<StickyNote>, AppPreferences, std::vector<TrashEntry>>& snapshot)
{
    return static_cast<SaveFile>(snapshot.index());
}

} // namespace

SaveQueue::SaveQueue(NoteRepository& notes, PreferencesStore& preferences, TrashStore& trash, AppLogger& logger,
    SaveThread thread, OutcomeHandler onOutcome, WriterProbe probe)
    : m_notesStore(notes)
    , m_preferencesStore(preferences)
    , m_trashStore(trash)
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

void SaveQueue::saveTrash(std::vector<TrashEntry> entries)
{
    submit(SaveFile::trash, std::move(entries));
}

SaveQueue::PendingWrite* SaveQueue::queued(SaveFile file)
{
    for (PendingWrite& write : m_queue)
        if (write.file == file)
            return &write;
    return nullptr;
}

// The snapshot and its place in the queue change in one critical section:
// the writer sees either neither or both.
void SaveQueue::submit(SaveFile file, Snapshot snapshot)
{
    assert(fileOf(snapshot) == file);
    std::unique_lock lock(m_mutex);
    state(file).unsaved.reset(); // this one is newer
    if (PendingWrite* waiting = queued(file))
        waiting->snapshot = std::move(snapshot);
    else
        m_queue.push_back(PendingWrite { file, std::move(snapshot) });
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
    std::vector<std::pair<SaveFile, Snapshot>> retry;
    {
        std::lock_guard lock(m_mutex);
        for (SaveFile file : allFiles) {
            FileState& fileState = state(file);
            if (fileState.unsaved && !queued(file))
                retry.emplace_back(file, std::move(*fileState.unsaved));
            fileState.unsaved.reset();
        }
    }
    for (auto& [file, snapshot] : retry)
        submit(file, std::move(snapshot));
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
    return std::any_of(m_files.begin(), m_files.end(), [](const FileState& file) { return file.failure.has_value(); });
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
        for (SaveFile file : allFiles)
            if (const FileState& fileState = state(file); fileState.failure)
                lines.push_back(std::string("Quitting with the ") + nameOf(file) + " unsaved: " + *fileState.failure);
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
        if (const auto* entries = std::get_if<std::vector<TrashEntry>>(&snapshot))
            return m_trashStore.save(*entries);
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
    FileState& fileState = state(write.file);
    // One line when a file starts failing and one when it works again, not
    // one per keystroke in between.
    std::string line;
    const bool recovered = status.ok() && fileState.failure;
    if (status.ok()) {
        if (recovered)
            line = std::string("Saving the ") + nameOf(write.file) + " works again";
        fileState.failure.reset();
    } else {
        if (!fileState.failure)
            line = std::string("Save ") + nameOf(write.file) + " failed: " + status.message()
                + " (kept in memory; tried again shortly and at every change)";
        fileState.failure = status.message();
        if (!queued(write.file))
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
