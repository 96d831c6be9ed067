#include "support/StateFixture.h"

namespace brivet::testing {

namespace {

// Forwards to the fixture's recorder, which outlives any state.
class ForwardingWindowManager final : public WindowManaging {
public:
    explicit ForwardingWindowManager(WindowManaging& target) : m_target(target) { }
    void reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences) override
    {
        m_target.reconcile(notes, preferences);
    }
    void focus(const Uuid& noteId) override { m_target.focus(noteId); }

private:
    WindowManaging& m_target;
};

} // namespace

StateFixture::StateFixture(std::string zone, std::string locale)
    : calendar(zone, locale)
{
    clock.set(at(2026, 12, 5, 10, 0, 0));
    preferencesStore.fallback = AppPreferences::defaultValue(calendar, clock.now());
    templates = std::make_unique<DefaultTemplateProvider>(clock, calendar);
    logger = std::make_unique<AppLogger>(clock, calendar);
}

StateFixture::~StateFixture() = default;

Instant StateFixture::at(int year, int month, int day, int hour, int minute, int second) const
{
    return *calendar.instant(UserCalendar::Components { year, month, day, hour, minute, second });
}

AppState& StateFixture::build()
{
    m_state = std::make_unique<AppState>(AppStateDependencies { *repositoryInUse, *preferencesStoreInUse, *templates, *syncService,
        *logger, clock, scheduler, screens, calendar,
        [this](AppState&) { return std::make_unique<ForwardingWindowManager>(windows); }, saveThread, syncLogStore,
        trashStoreInUse, backups });
    return *m_state;
}

AppState& StateFixture::launch()
{
    build();
    scheduler.runDue();
    // Past the launch's deferred save too, so a test starts from a settled
    // state with its files written.
    scheduler.advance(AppState::launchNotesSaveDelay);
    return *m_state;
}

AppState& StateFixture::launchWith(std::vector<StickyNote> notes, const std::function<void(AppPreferences&)>& adjust)
{
    AppPreferences preferences = preferencesStore.fallback;
    preferences.autoGenerateFocusBoard = false;
    if (adjust)
        adjust(preferences);
    preferencesStore.stored = preferences;
    store(std::move(notes));
    return launch();
}

StickyNote StateFixture::makeNote(std::string title, std::optional<Instant> due)
{
    StickyNote note = StickyNote::placeholder(Uuid::random(), Instant {});
    note.title = std::move(title);
    note.dueDate = due;
    note.frame = NoteFrame { 200, 300, 500, 318, NoteSizePreset::medium };
    return note;
}

} // namespace brivet::testing
