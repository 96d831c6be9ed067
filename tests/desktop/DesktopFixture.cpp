#include "DesktopFixture.h"

namespace brivet::testing {

DesktopTest::DesktopTest()
{
    clock.set(at(2026, 12, 5, 10, 0));
    AppPreferences preferences = AppPreferences::defaultValue(calendar, clock.now());
    // Only the notes a test puts on the desktop are there.
    preferences.autoGenerateFocusBoard = false;
    preferencesStore.fallback = preferences;
    templates = std::make_unique<DefaultTemplateProvider>(clock, calendar);
    logger = std::make_unique<AppLogger>(clock, calendar);
}

DesktopTest::~DesktopTest()
{
    if (m_state)
        m_state->removeObserver(&notesChanges);
    m_state.reset();
    processEvents();
}

Instant DesktopTest::at(int year, int month, int day, int hour, int minute) const
{
    return *calendar.instant(UserCalendar::Components { year, month, day, hour, minute, 0 });
}

StickyNote DesktopTest::makeNote(std::string title)
{
    StickyNote note = StickyNote::placeholder(Uuid::random(), Instant {});
    note.title = std::move(title);
    note.frame = NoteFrame { 200, 300, 500, 318, NoteSizePreset::medium };
    return note;
}

AppState& DesktopTest::launch(std::vector<StickyNote> notes)
{
    repository.stored = notes;
    m_state = std::make_unique<AppState>(AppStateDependencies { repository, preferencesStore, *templates, syncService,
        *logger, clock, scheduler, screens, calendar, [this](AppState& state) {
            auto manager = std::make_unique<CountingWindowManager>(state, scheduler);
            m_windows = manager.get();
            return manager;
        },
        // The stores are read right after each operation.
        SaveThread::caller });
    scheduler.runDue();
    for (const StickyNote& note : notes)
        if (!note.isHidden)
            m_state->reveal(note.id, SurfacePolicy::bypass, WindowFocus::keep);
    scheduler.runDue();
    // The panels are mapped (exposed) before the user can move them.
    processEvents();
    m_state->addObserver(&notesChanges);
    return *m_state;
}

StickyNoteView* DesktopTest::card(const Uuid& id)
{
    NotePanelController* found = controller(id);
    return found ? found->card() : nullptr;
}

} // namespace brivet::testing
