// Any bytes as a preferences file: decoding never crashes, and decoded
// preferences written out again decode to the same preferences and bytes.
#include "FuzzCheck.h"

#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <cstdint>
#include <string>

using namespace brivet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const UserCalendar calendar("Asia/Shanghai", "zh_CN");
    const Instant now = instantFromSeconds(1'796'000'000);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    auto first = decodePreferencesFile(input, calendar, now);
    auto* preferences = std::get_if<AppPreferences>(&first);
    if (!preferences) {
        BRIVET_FUZZ_CHECK(!std::get<DecodeError>(first).message.empty(), "a failure says why");
        return 0;
    }
    const std::string encoded = encodePreferencesFile(*preferences);
    auto second = decodePreferencesFile(encoded, calendar, now);
    auto* again = std::get_if<AppPreferences>(&second);
    BRIVET_FUZZ_CHECK(again, "written file fails: " + std::get<DecodeError>(second).message);
    BRIVET_FUZZ_CHECK(*again == *preferences, encoded);
    BRIVET_FUZZ_CHECK(encodePreferencesFile(*again) == encoded, encoded);
    return 0;
}
