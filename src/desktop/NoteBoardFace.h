#pragma once

#include "desktop/DesktopEnvironment.h"
#include "model/StickyNote.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace brivet {

class StickyNoteView;

// The compact face of a card: header tags, title, task panel and action
// row. Rebuilt from the note whenever the note (or the palette) changes.
class NoteBoardFace final : public QWidget {
    Q_OBJECT
public:
    NoteBoardFace(StickyNoteView& card, DesktopEnvironmentPtr environment);
    ~NoteBoardFace() override;

    void render(const StickyNote& note);
    // Loads the faces and sizes a card's text is set in, Latin and Chinese,
    // one at a time until `enough` says to stop: the launch calls it while
    // it waits for the notes file, so the first card finds them loaded.
    static void loadFonts(const std::function<bool()>& enough);
    // Forces the next render to rebuild even for an unchanged note.
    void invalidate() { m_rendered.reset(); }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void build(const StickyNote& note);
    QWidget* buildHeader(const StickyNote& note, QWidget* parent);
    QWidget* buildTaskPanel(const StickyNote& note, QWidget* parent);
    QWidget* buildTaskRow(const StickyNote& note, const NoteTask& task, QWidget* parent);
    QWidget* buildActionRow(const StickyNote& note, QWidget* parent);
    void scheduleDeadlineRefresh(const StickyNote& note);

    // The focused control, by its name and the task line it is on.
    struct FocusedControl {
        QString name;
        QString taskId;
    };
    std::optional<FocusedControl> focusedControl() const;
    void restoreFocus(const FocusedControl& control);
    // Tells assistive tools of each task tick that changed state.
    void announceTicks(const StickyNote& before, const StickyNote& now);

    StickyNoteView& m_card;
    DesktopEnvironmentPtr m_environment;
    QWidget* m_content = nullptr;
    std::optional<StickyNote> m_rendered;
    // The note as built (kept when render() is forced to rebuild).
    std::optional<StickyNote> m_shown;
    Instant m_renderedAt {};
    // Redraws when a due date comes within 24 hours.
    TaskHandle m_deadlineTask;
};

} // namespace brivet
