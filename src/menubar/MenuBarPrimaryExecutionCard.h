#pragma once

#include "model/Enums.h"
#include "model/Instant.h"
#include "model/StickyNote.h"

#include <QFrame>

namespace brivet {

class UserCalendar;

// The current execution note as a large card: source, due and completion
// tags, the title, one line of detail, and "完成", "稍后" and "打开".
class MenuBarPrimaryExecutionCard final : public QFrame {
    Q_OBJECT
public:
    MenuBarPrimaryExecutionCard(const StickyNote& note, const UserCalendar& calendar, Instant now, QWidget* parent = nullptr);

    const Uuid& noteId() const { return m_noteId; }

signals:
    void completionToggled(const brivet::Uuid& noteId);
    void deferChosen(const brivet::Uuid& noteId, brivet::NoteDeferPreset preset);
    void openRequested(const brivet::Uuid& noteId);

private:
    Uuid m_noteId;
};

} // namespace brivet
