#include "state/AppState.h"

#include "model/AppLogger.h"
#include "model/BackupArchive.h"
#include "model/Clock.h"

namespace brivet {

Status AppState::restoreBackup(const BackupEntry& entry)
{
    if (!m_deps.backups)
        return Status::failure("没有可用的备份文件夹");
    auto contents = BackupArchive::read(entry, m_deps.calendar, now());
    if (auto* error = std::get_if<DecodeError>(&contents)) {
        m_deps.logger.log("Backup " + entry.name + " cannot be restored: " + error->message);
        return Status::failure("无法从「" + entry.name + "」恢复：" + error->message + "。这份备份保持原样。");
    }
    auto kept = m_deps.backups->keep(m_notes, m_preferences);
    if (auto* failure = std::get_if<Status>(&kept))
        return Status::failure("恢复前无法先备份当前的便签，所以没有恢复（" + failure->message() + "）");
    m_deps.logger.log("Restoring backup " + entry.name);
    BackupContents restored = std::move(std::get<BackupContents>(contents));
    replaceAllNotes(std::move(restored.notes), std::move(restored.preferences));
    return Status::success();
}

void AppState::replaceAllNotes(std::vector<StickyNote> notes, std::optional<AppPreferences> preferences)
{
    abandonRunningSync("The notes were replaced", "便签已被整体替换（从备份恢复）");
    Operation op(*this);
    m_notes = std::move(notes);
    if (preferences) {
        m_preferences = std::move(*preferences);
        m_preferences.focusBoardTaskLimit = AppPreferences::clampedTaskLimit(m_preferences.focusBoardTaskLimit);
        notify(StateField::preferences);
    }
    sanitizeLoadedNotes();
    clearExpiredDeferrals(now());
    rescheduleDeferredRevealTask();
    refreshGeneratedBoards(false);
    persistNotes(true);
    persistPreferences(true);
    reconcileWindows();
}

Status AppState::exportNotes(const std::vector<StickyNote>& notes, ExportFormat format, const std::filesystem::path& target)
{
    Status status = brivet::exportNotes(notes, format, target, now());
    if (!status.ok()) {
        m_deps.logger.log("Export failed: " + status.message());
        return status;
    }
    m_deps.logger.log("Exported " + std::to_string(notes.size()) + " notes");
    m_lastExportURL = fileUrl(target);
    notify(StateField::lastExportURL);
    return status;
}

std::size_t AppState::importNotes(std::vector<StickyNote> notes)
{
    ImportPlan plan = planImport(std::move(notes), m_notes);
    if (plan.added.empty())
        return 0;
    Operation op(*this);
    for (StickyNote& note : plan.added) {
        note.isHidden = true;
        note.clampDatesToStorable();
        m_notes.push_back(std::move(note));
    }
    notesDidChange();
    m_deps.logger.log("Imported " + std::to_string(plan.added.size()) + " notes");
    rescheduleDeferredRevealTask();
    refreshGeneratedBoards(false);
    persistNotes(true);
    return plan.added.size();
}

} // namespace brivet
