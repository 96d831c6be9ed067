#pragma once

#include "model/AppPreferences.h"
#include "model/Status.h"
#include "model/StickyNote.h"
#include "model/TrashEntry.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <array>
#include <thread>
#include <variant>
#include <vector>

namespace brivet {

class AppLogger;
class NoteRepository;
class PreferencesStore;
class TrashStore;

// Where the state's saves run.
enum class SaveThread {
    // A thread of the queue's own: the caller hands over a snapshot and
    // goes on; encoding, writing and the fsyncs happen there.
    writer,
    // The calling thread, before the call returns (tests).
    caller,
};

enum class SaveFile { notes,
    preferences,
    trash };

// What became of one write, as the writer reports it.
struct SaveOutcome {
    SaveFile file;
    bool ok;
};

// The points of one write at which a test can hold the writer, to force
// every order of a hand-over against it.
enum class WriterStep {
    // The snapshot has left the queue; nothing is written yet.
    taken,
    // The store has answered; the outcome is not recorded yet.
    written,
    // The outcome is recorded; the writer looks for the next file.
    finished,
};

// The state's saves of its three files (notes, preferences, trash). Files are written one at a time, in
// the order they were first asked for; a newer snapshot of a file that is
// still waiting replaces the waiting one, so the latest state is written
// and no older one after it. Each write keeps the stores' guarantee: the
// previous file stays whole until the new one has replaced it.
//
// A queued write carries its snapshot: a file is queued exactly when a
// snapshot of it waits, and the writer takes both in one step, so it never
// writes a file for which nothing was handed over.
//
// A failed write (a full disk, a folder that became read-only, an
// exception from the store) is logged once ("Save notes failed: ", "Save
// preferences failed: ") and not again while that file keeps failing; the
// first write that works again is logged too. The snapshot that failed is
// kept: the next snapshot of that file replaces it (and is itself a retry),
// and retryFailed() or flush() write it once more when nothing newer came.
// Its methods are called from one thread (the main thread).
class SaveQueue {
public:
    // Called on the writer thread after each write that failed, and after
    // the first that worked again.
    using OutcomeHandler = std::function<void(SaveOutcome)>;
    // Called on the writer thread at each step of each write, without the
    // queue's lock held; for tests.
    using WriterProbe = std::function<void(SaveFile, WriterStep)>;

    SaveQueue(NoteRepository& notes, PreferencesStore& preferences, TrashStore& trash, AppLogger& logger,
        SaveThread thread, OutcomeHandler onOutcome = {}, WriterProbe probe = {});
    // Writes what is still waiting, then ends the thread.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    void saveNotes(std::vector<StickyNote> notes);
    void savePreferences(AppPreferences preferences);
    void saveTrash(std::vector<TrashEntry> entries);
    // Hands the kept snapshot of each file whose last write failed to the
    // writer once more, unless a newer one is on its way. Returns whether
    // there was anything to try.
    bool retryFailed();
    // Returns once everything handed over before the call is written (or
    // has failed).
    void waitUntilWritten();
    // For quit: retryFailed(), waits until everything is written, and logs
    // each file that still could not be written. True when every file is
    // on disk.
    bool flush();
    // Whether the last write of a file failed and no newer one worked.
    bool isFailing() const;

private:
    using Snapshot = std::variant<std::vector<StickyNote>, AppPreferences, std::vector<TrashEntry>>;
    struct PendingWrite {
        SaveFile file;
        Snapshot snapshot;
    };
    struct FileState {
        // The last snapshot whose write failed, while no newer one came.
        std::optional<Snapshot> unsaved;
        std::optional<std::string> failure;
    };

    void submit(SaveFile file, Snapshot snapshot);
    PendingWrite* queued(SaveFile file);
    // Writes the queue's first entry; called and returning with the lock
    // held, which is released while the store writes.
    void writeNext(std::unique_lock<std::mutex>& lock);
    void run();
    void probe(SaveFile file, WriterStep step) const
    {
        if (m_probe)
            m_probe(file, step);
    }
    FileState& state(SaveFile file) { return m_files[static_cast<std::size_t>(file)]; }
    Status store(const Snapshot& snapshot);

    NoteRepository& m_notesStore;
    PreferencesStore& m_preferencesStore;
    TrashStore& m_trashStore;
    AppLogger& m_logger;
    const SaveThread m_mode;
    const OutcomeHandler m_onOutcome;
    const WriterProbe m_probe;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    // At most one entry per file, first asked first; guarded by m_mutex.
    std::deque<PendingWrite> m_queue;
    // By SaveFile.
    std::array<FileState, 3> m_files;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread; // started by the first save
};

} // namespace brivet
