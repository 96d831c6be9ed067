#include "EdsTestSupport.h"

#include "support/RequiredServices.h"

#include <chrono>
#include <ctime>
#include <memory>

namespace brivet::testing {

namespace {

struct SharedSandbox {
    std::unique_ptr<EdsSandbox> sandbox;
    bool attempted = false;
    std::string reason;
    bool skip = false;
};

SharedSandbox& shared()
{
    static SharedSandbox instance;
    return instance;
}

class SandboxEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { shared().sandbox.reset(); }
};

} // namespace

void registerEdsSandboxEnvironment() { ::testing::AddGlobalTestEnvironment(new SandboxEnvironment); }

EdsSandbox* sharedEdsSandbox(std::string& reason, bool& skip)
{
    SharedSandbox& state = shared();
    if (!state.attempted) {
        state.attempted = true;
        if (auto missing = EdsSandbox::missingTools()) {
            state.reason = *missing;
            state.skip = true;
        } else {
            state.sandbox = std::make_unique<EdsSandbox>();
            if (auto error = state.sandbox->start()) {
                state.reason = *error;
                state.sandbox.reset();
            }
        }
    }
    reason = state.reason;
    skip = state.skip;
    return state.sandbox.get();
}

void EdsTest::SetUp()
{
    std::string reason;
    bool skip = false;
    m_sandbox = sharedEdsSandbox(reason, skip);
    if (!m_sandbox && skip) {
        BRIVET_SKIP_WITHOUT_SERVICE("no Evolution Data Server here: " << reason);
    }
    ASSERT_NE(m_sandbox, nullptr) << "the private Evolution Data Server did not start: " << reason;
}

void EdsTest::addList(const std::string& uid, const std::string& name, std::optional<std::string> color, std::string backend)
{
    auto error = m_sandbox->addSource({ uid, name, true, std::move(backend), std::move(color) });
    ASSERT_FALSE(error) << *error;
}

void EdsTest::addCalendar(const std::string& uid, const std::string& name)
{
    auto error = m_sandbox->addSource({ uid, name, false, "local", std::nullopt });
    ASSERT_FALSE(error) << *error;
}

std::string EdsTest::putComponent(const std::string& listUid, const std::string& ical, bool taskList)
{
    ECalClient* client = m_sandbox->client(listUid, taskList);
    EXPECT_NE(client, nullptr);
    if (!client)
        return {};
    ICalComponent* component = i_cal_component_new_from_string(ical.c_str());
    EXPECT_NE(component, nullptr) << ical;
    if (!component)
        return {};
    gchar* uid = nullptr;
    GError* error = nullptr;
    const gboolean created = e_cal_client_create_object_sync(client, component, E_CAL_OPERATION_FLAG_NONE, &uid, nullptr, &error);
    g_object_unref(component);
    EXPECT_TRUE(created) << (error ? error->message : "");
    g_clear_error(&error);
    std::string result = uid ? uid : "";
    g_free(uid);
    return result;
}

std::string EdsTest::storedComponent(const std::string& listUid, const std::string& uid)
{
    ECalClient* client = m_sandbox->client(listUid);
    if (!client)
        return {};
    ICalComponent* component = nullptr;
    GError* error = nullptr;
    if (!e_cal_client_get_object_sync(client, uid.c_str(), nullptr, &component, nullptr, &error)) {
        g_clear_error(&error);
        return {};
    }
    gchar* text = i_cal_component_as_ical_string(component);
    std::string result = text ? text : "";
    g_free(text);
    g_object_unref(component);
    return result;
}

Instant utc(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date = year_month_day { std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
        std::chrono::day(static_cast<unsigned>(day)) };
    return time_point_cast<Duration>(date + hours(hour) + minutes(minute) + std::chrono::seconds(second));
}

std::string icalUtc(Instant instant)
{
    const std::time_t seconds = static_cast<std::time_t>(secondsSinceEpoch(instant));
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

} // namespace brivet::testing
