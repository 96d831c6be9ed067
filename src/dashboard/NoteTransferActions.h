#pragma once

#include "model/NoteTransfer.h"
#include "model/StickyNote.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

namespace brivet {

class AppState;

// The "导出…" and "导入…" flows of the dashboard: the dialogs that ask what
// and where (Qt's file dialogs, which use the desktop portal where one
// runs), then one state operation. Errors are shown in a message box and
// returned for the surface's status line.
class NoteTransferActions final : public QObject {
    Q_OBJECT
public:
    NoteTransferActions(AppState& state, QWidget* dialogParent);

    // Asks for the scope (all notes, or `filtered` when the surface has a
    // filter), the format and the place, then exports.
    void exportNotes(std::optional<std::vector<StickyNote>> filtered = std::nullopt);
    enum class ImportSource { file,
        markdownFolder };
    // Asks for a file or a Markdown folder, then runs importFrom().
    void importNotes(ImportSource source);

    enum class Confirmation { ask,
        given };
    // Reads `source`, tells how many notes will be added and skipped, and
    // imports them when the user agrees; nothing is written on a refusal or
    // an error. Returns the outcome as shown to the user.
    QString importFrom(const std::filesystem::path& source, Confirmation confirmation);
    // A new folder name for a Markdown export under `parent`:
    // "悬笺导出 2026-12-08", then " (2)" and so on.
    std::filesystem::path markdownFolderIn(const std::filesystem::path& parent) const;

signals:
    void finished(const QString& message);

private:
    AppState& m_state;
    QWidget* m_parent;
};

} // namespace brivet
