#pragma once

#include "model/Scheduler.h"

#include <functional>
#include <string>

namespace brivet {

// The draft of one text field and its debounced commit: every change of the
// draft (re)starts a commit of that value after `delay`; flush() commits at
// once. A disabled committer (read-only note) never commits.
class DraftCommitter {
public:
    using Commit = std::function<void(const std::string&)>;

    DraftCommitter(Scheduler& scheduler, Duration delay, Commit commit);

    const std::string& draft() const { return m_draft; }
    const std::string& stored() const { return m_stored; }
    bool isPending() const { return m_task.isPending(); }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // The user typed: the draft is `value`.
    void draftChanged(const std::string& value);
    // Commits the draft now when it differs from the stored value.
    void flush();
    // The stored value changed. When the field is not focused and the draft
    // differs, the draft takes the stored value; returns whether it did.
    bool storedChanged(const std::string& stored, bool focused);

private:
    Scheduler& m_scheduler;
    Duration m_delay;
    Commit m_commit;
    std::string m_draft;
    std::string m_stored;
    bool m_enabled = true;
    TaskHandle m_task;
};

} // namespace brivet
