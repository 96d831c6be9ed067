#pragma once

#include "model/DataFolder.h"
#include "model/JsonStores.h"

#include <QObject>

#include <memory>

namespace brivet {

class AppLogger;
class AppState;
class SyncService;
class JsonNoteRepository;
class JsonPreferencesStore;
class DefaultTemplateProvider;
class QtScheduler;
class QtScreenList;
class SystemClock;
class UserCalendar;

// Builds the one state object with its real collaborators and keeps them
// for the life of the process.
class BrivetShell final : public QObject {
    Q_OBJECT
public:
    // `prefetchedNotes`, when valid, is the notes file already being read.
    explicit BrivetShell(DataFolder folder, std::future<JsonNoteRepository::LoadResult> prefetchedNotes = {},
        QObject* parent = nullptr);
    ~BrivetShell() override;

    AppState& state() { return *m_state; }
    // Writes what is still waiting in a debounced save.
    void flush();

private:
    std::unique_ptr<SystemClock> m_clock;
    std::unique_ptr<UserCalendar> m_calendar;
    std::unique_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<QtScreenList> m_screens;
    std::unique_ptr<AppLogger> m_logger;
    std::unique_ptr<JsonNoteRepository> m_repository;
    std::unique_ptr<JsonPreferencesStore> m_preferencesStore;
    std::unique_ptr<DefaultTemplateProvider> m_templates;
    std::unique_ptr<SyncService> m_syncService;
    std::unique_ptr<AppState> m_state;
};

} // namespace brivet
