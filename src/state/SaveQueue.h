#pragma once

#include "model/AppPreferences.h"
#include "model/StickyNote.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
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
// previous file stays whole until the new one has replaced it.
//
// A failed write (a full disk, a folder that became read-only) is logged
// once ("Save notes failed: ", "Save preferences failed: ") and not again
// while that file keeps failing; the first write that works again is
// logged too. The snapshot that failed is kept: the next snapshot of that
// file replaces it (and is itself a retry), and flush() writes it once more
// when nothing newer came. Its methods are called from one thread (the main
// thread).
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
    // For quit: hands the kept snapshot of each file whose last write failed
    // to the writer once more, waits until everything is written, and logs
    // each file that still could not be written. True when both files are
    // on disk.
    bool flush();

private:
    enum class File { notes, preferences };
    void enqueue(File file);
    void run();
    void write(File file, std::unique_lock<std::mutex>& lock);
    template<typename Snapshot, typename Store>
    void writeSnapshot(std::optional<Snapshot>& waiting, std::optional<Snapshot>& unsaved,
        std::optional<std::string>& failure, Store& store, const char* name, std::unique_lock<std::mutex>& lock);

    NoteRepository& m_notesStore;
    PreferencesStore& m_preferencesStore;
    AppLogger& m_logger;
    const SaveThread m_mode;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::vector<StickyNote>> m_notes;
    std::optional<AppPreferences> m_preferences;
    // The last snapshot of a file whose write failed, while no newer one
    // came, and why it failed; guarded by m_mutex.
    std::optional<std::vector<StickyNote>> m_unsavedNotes;
    std::optional<AppPreferences> m_unsavedPreferences;
    std::optional<std::string> m_notesFailure;
    std::optional<std::string> m_preferencesFailure;
    std::vector<File> m_order; // the files waiting, first asked first
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread; // started by the first save
};

} // namespace brivet
