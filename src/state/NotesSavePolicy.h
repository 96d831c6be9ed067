#pragma once

#include "model/Scheduler.h"
#include "model/StickyNote.h"

#include <optional>
#include <vector>

namespace brivet {

class SaveQueue;

// How soon a change to the notes should reach the file.
enum class SaveTiming {
    // After a quiet spell: a burst of edits is written once, as it ends.
    debounced,
    // When the action that asked ends.
    now,
};

// Who ends the action whose saves are settled.
enum class NotesHandOver {
    // A user action or anything else: an immediate save goes to the writer.
    now,
    // A launch step: an immediate save waits launchDelay, so copying and
    // encoding a large list stay off the way to the first card.
    afterLaunchDelay,
};

// When the notes file is written. Saves asked for during an action are
// only remembered; the end of the outermost action settles them, so the
// file is written at most once per action. Files reach the writer in the
// order they were asked for: a launch hand-over still waiting goes first
// whenever anything else is written. Main thread only.
class NotesSavePolicy {
public:
    // `notes` is the list as it stands; it must outlive the policy.
    NotesSavePolicy(Scheduler& scheduler, SaveQueue& saves, const std::vector<StickyNote>& notes,
        Duration debounceDelay, Duration launchDelay);
    NotesSavePolicy(const NotesSavePolicy&) = delete;
    NotesSavePolicy& operator=(const NotesSavePolicy&) = delete;

    // Remembers that the notes changed. An immediate save drops a debounced
    // one at once: the hand-over at the action's end makes it unnecessary.
    void request(SaveTiming timing);
    // The outermost action ended: what it asked for goes to the writer now,
    // after launchDelay, or after debounceDelay, of the notes as they stand.
    void settle(NotesHandOver handOver);
    // A launch hand-over still waiting goes to the writer now, ahead of a
    // write of the other file.
    void writeLaunchHandOver();
    // Everything waiting goes to the writer now (quit).
    void writeWaiting();

private:
    // What an action has asked for so far.
    enum class Request { nothing, debounced, now };
    // What waits on a task of this policy.
    enum class Waiting {
        nothing,
        // A snapshot taken at the end of the last edit, for debounceDelay.
        debounce,
        // The current list, for launchDelay.
        launchHandOver,
    };

    void handOver();
    void startDebounce();

    Scheduler& m_scheduler;
    SaveQueue& m_saves;
    const std::vector<StickyNote>& m_notes;
    const Duration m_debounceDelay;
    const Duration m_launchDelay;

    Request m_requested = Request::nothing;
    Waiting m_waiting = Waiting::nothing;
    // Set exactly while m_waiting is debounce.
    std::optional<std::vector<StickyNote>> m_debouncedSnapshot;
    TaskHandle m_task;
};

} // namespace brivet
