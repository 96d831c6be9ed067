#pragma once

#include "desktop/NotePanelController.h"
#include "desktop/NoteWindowManager.h"
#include "desktop/StickyNoteView.h"
#include "model/AppLogger.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "ui/QtConversions.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"
#include "sync/SyncService.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

#include <QKeyEvent>

namespace brivet::testing {

// Types each character as a key press carrying that text (QTest's key
// helpers only know ASCII).
inline void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

// `note` with these tasks (title, done) added.
inline StickyNote withTasks(StickyNote note, std::initializer_list<std::pair<const char*, bool>> tasks)
{
    for (auto [title, done] : tasks)
        note.tasks.push_back(NoteTask { Uuid::random(), title, done });
    return note;
}

// Counts what passes through to the real window manager and how often the
// notes change.
class CountingWindowManager final : public WindowManaging {
public:
    CountingWindowManager(AppState& state, Scheduler& scheduler) : manager(state, scheduler) { }
    void reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences) override
    {
        ++reconciles;
        manager.reconcile(notes, preferences);
    }
    void focus(const Uuid& noteId) override
    {
        focused.push_back(noteId);
        manager.focus(noteId);
    }
    NoteWindowManager manager;
    int reconciles = 0;
    std::vector<Uuid> focused;
};

class NotesChangeCounter final : public StateObserver {
public:
    void stateDidChange(StateField field) override
    {
        if (field == StateField::notes)
            ++count;
    }
    int count = 0;
};

// A real state on in-memory stores with time under the test's control and
// the desktop window manager on the offscreen platform.
class DesktopTest : public ::testing::Test {
protected:
    DesktopTest();
    ~DesktopTest() override;

    Instant at(int year, int month, int day, int hour = 0, int minute = 0) const;
    // A regular local note, visible, at (200, 300) 500 × 318.
    static StickyNote makeNote(std::string title);
    // Launches with these notes stored and puts each one on the desktop.
    AppState& launch(std::vector<StickyNote> notes);
    AppState& state() { return *m_state; }
    NoteWindowManager& windows() { return m_windows->manager; }
    CountingWindowManager& counting() { return *m_windows; }
    NotePanelController* controller(const Uuid& id) { return windows().controller(id); }
    StickyNoteView* card(const Uuid& id);
    StickyNote stored(const Uuid& id) { return *m_state->note(id); }
    static void processEvents()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ManualClock clock;
    ManualScheduler scheduler { clock };
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    FixedScreenList screens { { Rect { 0, 0, 1920, 1055 } } };
    MemoryNoteRepository repository;
    MemoryPreferencesStore preferencesStore;
    std::unique_ptr<DefaultTemplateProvider> templates;
    UnavailableSyncService syncService;
    std::unique_ptr<AppLogger> logger;
    NotesChangeCounter notesChanges;

private:
    std::unique_ptr<AppState> m_state;
    CountingWindowManager* m_windows = nullptr;
};

} // namespace brivet::testing
