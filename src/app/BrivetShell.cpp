#include "app/BrivetShell.h"

#include "app/QtScheduler.h"
#include "app/QtScreenList.h"
#include "model/AppLogger.h"
#include "model/Clock.h"
#include "model/JsonStores.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "sync/SyncService.h"

#include <malloc.h>

#ifdef HAVE_BRIVET_EDS
#include "sync/eds/EdsSyncService.h"
#endif
#ifdef HAVE_BRIVET_DESKTOP
#include "desktop/NoteWindowManager.h"
#endif

namespace brivet {

BrivetShell::BrivetShell(DataFolder folder, std::future<JsonNoteRepository::LoadResult> prefetchedNotes, QObject* parent)
    : QObject(parent)
    , m_clock(std::make_unique<SystemClock>())
    , m_calendar(std::make_unique<UserCalendar>())
    , m_scheduler(std::make_unique<QtScheduler>())
    , m_screens(std::make_unique<QtScreenList>())
{
    m_logger = std::make_unique<AppLogger>(*m_clock, *m_calendar, makeJournaldSink());
    m_repository = std::make_unique<JsonNoteRepository>(folder, *m_clock, m_logger.get());
    if (prefetchedNotes.valid())
        m_repository->usePrefetched(std::move(prefetchedNotes));
    m_preferencesStore = std::make_unique<JsonPreferencesStore>(folder, *m_clock, *m_calendar, m_logger.get());
    m_templates = std::make_unique<DefaultTemplateProvider>(*m_clock, *m_calendar);
#ifdef HAVE_BRIVET_EDS
    m_syncService = makeEdsSyncService(*m_clock, *m_calendar);
#endif
    if (!m_syncService)
        m_syncService = std::make_unique<UnavailableSyncService>();

    WindowManagerFactory windows;
#ifdef HAVE_BRIVET_DESKTOP
    QtScheduler* scheduler = m_scheduler.get();
    windows = [scheduler](AppState& state) -> std::unique_ptr<WindowManaging> {
        return std::make_unique<NoteWindowManager>(state, *scheduler);
    };
#endif
    m_state = std::make_unique<AppState>(AppStateDependencies {
        *m_repository, *m_preferencesStore, *m_templates, *m_syncService, *m_logger, *m_clock, *m_scheduler, *m_screens,
        *m_calendar, std::move(windows) });
    // Reading the notes file frees buffers several times its size; once
    // launch is over and the first cards are up, hand the freed heap back so
    // an idle app stays small.
    m_scheduler->schedule(Duration(2000), [] { malloc_trim(0); });
}

BrivetShell::~BrivetShell()
{
    flush();
    // The state (and its windows) go before the services it refers to.
    m_state.reset();
}

void BrivetShell::flush()
{
    if (m_state)
        m_state->flushPendingSaves();
}

} // namespace brivet
