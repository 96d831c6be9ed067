#pragma once

#include "EdsSandbox.h"

#include "sync/EventStore.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brivet::testing {

// Ends the shared sandbox when the program's tests are done; main registers
// it. Listing the tests starts nothing.
void registerEdsSandboxEnvironment();

// The program's one private EDS, started by the first test that asks;
// nullptr when it cannot run (`reason` says why, `skip` whether that is a
// missing tool rather than a fault).
EdsSandbox* sharedEdsSandbox(std::string& reason, bool& skip);

// Tests against the shared private EDS; each test makes its own lists.
class EdsTest : public ::testing::Test {
protected:
    void SetUp() override;

    EdsSandbox& eds() { return *m_sandbox; }
    void addList(const std::string& uid, const std::string& name, std::optional<std::string> color = std::nullopt,
        std::string backend = "local");
    void addCalendar(const std::string& uid, const std::string& name);
    // Stores an iCalendar component in a list behind the store's back; the
    // UID it got.
    std::string putComponent(const std::string& listUid, const std::string& ical, bool taskList = true);
    // The stored component of a list item, as iCalendar text.
    std::string storedComponent(const std::string& listUid, const std::string& uid);

private:
    EdsSandbox* m_sandbox = nullptr;
};

// Waits on the main loop for the completion `call` passes on.
template<typename T, typename Call>
std::optional<T> awaitCompletion(Call&& call, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    std::optional<T> result;
    call([&result](T value) { result = std::move(value); });
    waitUntil([&] { return result.has_value(); }, timeout);
    return result;
}

// The sources the store lists; none, with a test failure, when it cannot
// list them.
inline std::vector<StoreCalendar> listed(const EventStore& store, StoreEntityType type)
{
    EventStore::CalendarsResult result = store.calendars(type);
    if (auto* error = std::get_if<StoreError>(&result)) {
        ADD_FAILURE() << "the store cannot list its sources: " << error->description;
        return {};
    }
    return std::get<std::vector<StoreCalendar>>(std::move(result));
}

// "20261207T093000Z", as iCalendar writes a UTC time.
std::string icalUtc(Instant instant);

// A UTC instant from its parts.
Instant utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace brivet::testing
