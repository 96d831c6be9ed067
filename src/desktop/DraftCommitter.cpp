#include "desktop/DraftCommitter.h"

namespace brivet {

DraftCommitter::DraftCommitter(Scheduler& scheduler, Duration delay, Commit commit)
    : m_scheduler(scheduler)
    , m_delay(delay)
    , m_commit(std::move(commit))
{
}

void DraftCommitter::draftChanged(const std::string& value)
{
    m_draft = value;
    // A draft back at the stored value leaves a pending commit pending.
    if (!m_enabled || value == m_stored)
        return;
    m_task = TaskHandle(m_scheduler, m_scheduler.schedule(m_delay, [this, value] {
        m_task.release();
        m_commit(value);
    }));
}

void DraftCommitter::flush()
{
    m_task.cancel();
    if (m_enabled && m_draft != m_stored)
        m_commit(m_draft);
}

bool DraftCommitter::storedChanged(const std::string& stored, bool focused)
{
    m_stored = stored;
    if (focused || m_draft == stored)
        return false;
    m_draft = stored;
    return true;
}

} // namespace brivet
