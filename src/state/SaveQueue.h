#pragma once

#include "model/AppPreferences.h"
#include "model/StickyNote.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brivet {

class AppLogger;
class NoteRepository;
class PreferencesStore;

// Where the state's saves run.
enum class SaveThread {
    // A thread of the queue's own: the caller hands over a snapshot and
    // goes on; encoding, writing and the fsyncs happen there.
    writer,
    // The calling thread, before the call returns (tests).
    caller,
};

// The state's saves of the two files. Files are written one at a time, in
// the order they were first asked for; a newer snapshot of a file that is
// still waiting replaces the waiting one, so the latest state is written
// and no older one after it. Each write keeps the stores' guarantee: the
// previous file stays whole until the new one has replaced it. Failures
// are logged ("Save notes failed: ", "Save preferences failed: "). Its
// methods are called from one thread (the main thread).
class SaveQueue {
public:
    SaveQueue(NoteRepository& notes, PreferencesStore& preferences, AppLogger& logger, SaveThread thread);
    // Writes what is still waiting, then ends the thread.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    void saveNotes(std::vector<StickyNote> notes);
    void savePreferences(AppPreferences preferences);
    // Returns once everything handed over before the call is written (or
    // has failed).
    void waitUntilWritten();

private:
    enum class File { notes, preferences };
    void enqueue(File file);
    void run();
    void write(File file, std::unique_lock<std::mutex>& lock);

    NoteRepository& m_notesStore;
    PreferencesStore& m_preferencesStore;
    AppLogger& m_logger;
    const SaveThread m_mode;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::vector<StickyNote>> m_notes;
    std::optional<AppPreferences> m_preferences;
    std::vector<File> m_order; // the files waiting, first asked first
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread; // started by the first save
};

} // namespace brivet
