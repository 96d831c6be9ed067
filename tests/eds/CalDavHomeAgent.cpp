#include "CalDavHomeAgent.h"

#include "CalDavHomeProtocol.h"
#include "CalDavServer.h"
#include "EdsSandbox.h"

#include "model/AppPreferences.h"
#include "model/Clock.h"
#include "support/StateFixture.h"
#include "sync/eds/EdsModule.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace brivet::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* listUid = "caldav-shared";

void reply(const std::string& line) { std::cout << "> " << line << "\n"; }
void endReply() { std::cout << ">." << std::endl; }

class Agent {
public:
    std::optional<std::string> start(const std::string& collectionUrl)
    {
        if (auto failure = m_sandbox.start())
            return failure;
        if (auto failure
            = m_sandbox.addSource({ listUid, "Shared Tasks", true, "caldav", std::nullopt, collectionUrl }))
            return failure;
        if (!m_sandbox.client(listUid))
            return std::string("cannot open the CalDAV list");

        m_fixture.clock.set(SystemClock().now());
        AppPreferences& preferences = m_fixture.preferencesStore.fallback;
        preferences = AppPreferences::defaultValue(m_fixture.calendar, m_fixture.clock.now());
        preferences.selectedReminderListIDs = { listUid };
        preferences.includeCalendarEvents = false;
        preferences.autoGenerateFocusBoard = false;
        preferences.autoSyncEnabled = false;
        preferences.hasActivatedSync = true;
        preferences.reminderSyncRequiresDueDate = false;
        preferences.syncDateScope = SyncDateScope::custom;
        preferences.syncStartDate = instantFromSeconds(0);
        preferences.syncEndDate = instantFromSeconds(4'000'000'000);
        m_service = makeEdsModuleSyncService(m_fixture.clock, m_fixture.calendar, BRIVET_EDS_MODULE);
        m_fixture.syncService = m_service.get();
        m_fixture.launch();
        return std::nullopt;
    }

    void stop()
    {
        m_fixture.destroyState();
        m_service.reset();
        m_sandbox.stop();
    }

    // Runs one command; false for "quit".
    bool handle(const std::string& line)
    {
        // The app's time follows the wall clock, so that its edits and the
        // server's modification times compare as they would for a user.
        const Instant wall = SystemClock().now();
        m_fixture.scheduler.advance(
            std::max(Duration(1), std::chrono::duration_cast<Duration>(wall - m_fixture.clock.now())));

        const std::vector<std::string> parts = caldavhome::fields(line);
        const std::string command = parts.empty() ? "" : parts[0];
        if (command == "quit")
            return false;
        if (command == "add" && parts.size() == 5)
            add(parts[1], parts[2], std::stoi(parts[3]), std::stoll(parts[4]));
        else if (command == "edit" && parts.size() == 4)
            edit(parts[1], parts[2], parts[3]);
        else if (command == "sync")
            sync();
        else if (command == "refresh")
            refresh({ parts.begin() + 1, parts.end() });
        else if (command == "notes")
            notes();
        else if (command == "log")
            log();
        else if (command == "cached")
            cached();
        else
            reply("error\tunknown command: " + line);
        endReply();
        return true;
    }

private:
    AppState& state() { return m_fixture.state(); }

    const StickyNote* byTitle(const std::string& title)
    {
        const auto& all = state().notes();
        auto found = std::find_if(all.begin(), all.end(), [&](const StickyNote& note) { return note.title == title; });
        return found == all.end() ? nullptr : &*found;
    }

    void add(const std::string& title, const std::string& details, int priority, long long dueSeconds)
    {
        const Uuid id = state().createNote(nullptr, NoteSizePreset::medium, NewNoteWindow::shown);
        StickyNote note = *state().note(id);
        note.title = title;
        note.details = details;
        note.priority = static_cast<NotePriority>(priority);
        note.dueDate = instantFromSeconds(dueSeconds);
        note.syncToReminders = true;
        state().update(note);
        reply("ok");
    }

    void edit(const std::string& title, const std::string& field, const std::string& value)
    {
        const StickyNote* found = byTitle(title);
        if (!found) {
            reply("error\tno note " + title);
            return;
        }
        StickyNote note = *found;
        if (field == "title")
            note.title = value;
        else if (field == "completed")
            note.isCompleted = value == "1";
        else if (field == "details")
            note.details = value;
        else {
            reply("error\tno field " + field);
            return;
        }
        state().update(note);
        reply("ok");
    }

    void sync()
    {
        state().synchronizeSystemData(true);
        const bool ended = waitUntil([&] { return !state().isSyncing(); }, 90s);
        reply(std::string("status\t") + (ended ? state().syncStatus() : "(still syncing)"));
        if (const auto& report = state().lastSyncReport())
            reply("report\t" + std::to_string(report->remindersImported) + "\t"
                + std::to_string(report->remindersWritten));
    }

    // Asks the CalDAV backend to fetch the collection again and waits until
    // its copy holds exactly `expected` ("UID=ETag" each): the backend's
    // refresh returns at once and tells its clients nothing when it is done.
    void refresh(const std::vector<std::string>& expected)
    {
        ECalClient* client = m_sandbox.client(listUid);
        const std::set<std::string> wanted(expected.begin(), expected.end());
        std::set<std::string> held;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        int asked = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            GError* error = nullptr;
            // The backend ignores a refresh while one runs, so the request
            // is repeated until the copy matches.
            if (asked++ % 10 == 0 && !e_client_refresh_sync(E_CLIENT(client), nullptr, &error)) {
                reply(std::string("error\t") + error->message);
                g_clear_error(&error);
                return;
            }
            held = cachedVersions();
            if (held == wanted) {
                reply("ok");
                return;
            }
            waitUntil([] { return false; }, 100ms);
        }
        std::string seen;
        for (const auto& entry : held)
            seen += "\t" + entry;
        reply("timeout" + seen);
    }

    std::set<std::string> cachedVersions()
    {
        std::set<std::string> result;
        GSList* components = nullptr;
        if (!e_cal_client_get_object_list_sync(m_sandbox.client(listUid), "#t", &components, nullptr, nullptr))
            return { "(cannot list)" };
        for (GSList* item = components; item; item = item->next) {
            gchar* text = i_cal_component_as_ical_string(I_CAL_COMPONENT(item->data));
            const std::string ical = std::string("\n") + text;
            g_free(text);
            std::string etag = unfoldedProperty(ical, "X-EVOLUTION-CALDAV-ETAG");
            etag.erase(std::remove(etag.begin(), etag.end(), '"'), etag.end());
            etag.erase(std::remove(etag.begin(), etag.end(), '\\'), etag.end());
            result.insert(unfoldedProperty(ical, "UID") + "=" + etag);
        }
        g_slist_free_full(components, g_object_unref);
        return result;
    }

    void cached()
    {
        GSList* components = nullptr;
        e_cal_client_get_object_list_sync(m_sandbox.client(listUid), "#t", &components, nullptr, nullptr);
        for (GSList* item = components; item; item = item->next) {
            gchar* text = i_cal_component_as_ical_string(I_CAL_COMPONENT(item->data));
            reply("component\t" + caldavhome::escaped(text));
            g_free(text);
        }
        g_slist_free_full(components, g_object_unref);
    }

    void log()
    {
        const auto& entries = state().syncLog().entries();
        if (entries.empty())
            return;
        for (const SyncAction& action : entries.front().actions.list) {
            const char* kind = action.kind == SyncActionKind::skipped ? "skipped"
                : action.kind == SyncActionKind::failed               ? "failed"
                                                                      : "changed";
            reply(std::string("action\t") + kind + "\t" + caldavhome::escaped(action.title) + "\t"
                + caldavhome::escaped(action.reason));
        }
    }

    void notes()
    {
        for (const StickyNote& note : state().notes()) {
            if (note.source != NoteSource::reminders && !note.syncToReminders)
                continue;
            reply("note\t" + caldavhome::escaped(note.title) + "\t" + caldavhome::escaped(note.details) + "\t"
                + (note.isCompleted ? "1" : "0") + "\t"
                + (note.dueDate ? std::to_string(secondsSinceEpoch(*note.dueDate)) : "-") + "\t"
                + std::to_string(static_cast<int>(note.priority)) + "\t"
                + (note.externalLink ? note.externalLink->externalID : "-"));
        }
    }

    EdsSandbox m_sandbox;
    StateFixture m_fixture;
    std::unique_ptr<SyncService> m_service;
};

} // namespace

int runCalDavHomeAgent(const std::string& collectionUrl)
{
    Agent agent;
    if (auto failure = agent.start(collectionUrl)) {
        reply("failed\t" + caldavhome::escaped(*failure));
        endReply();
        agent.stop();
        return 1;
    }
    reply("ready");
    endReply();
    std::string line;
    while (std::getline(std::cin, line) && agent.handle(line)) { }
    agent.stop();
    return 0;
}

} // namespace brivet::testing
