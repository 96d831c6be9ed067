// Any bytes as an identifier and as a stored date: parsing never crashes,
// and what parses is written back as the canonical text, which parses to
// the same value.
#include "FuzzCheck.h"

#include "model/NoteCoding.h"
#include "model/Uuid.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

using namespace brivet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    if (std::optional<Uuid> id = Uuid::fromString(input)) {
        const std::string text = id->toString();
        std::string upper = input;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        BRIVET_FUZZ_CHECK(text == upper, text);
        BRIVET_FUZZ_CHECK(Uuid::fromString(text) == id, text);
    }

    if (std::optional<Instant> date = parseIsoDate(input)) {
        BRIVET_FUZZ_CHECK(*date >= earliestStorableInstant && *date <= latestStorableInstant, input);
        const std::string text = formatIsoDate(*date);
        BRIVET_FUZZ_CHECK(text == input, text);
        BRIVET_FUZZ_CHECK(parseIsoDate(text) == date, text);
    }

    // The first eight bytes as any instant: it is written as a date the
    // parser reads back, at the nearest storable second.
    if (size >= 8) {
        std::int64_t milliseconds = 0;
        std::memcpy(&milliseconds, data, sizeof milliseconds);
        const Instant instant { Duration(milliseconds) };
        const std::string text = formatIsoDate(instant);
        const std::optional<Instant> back = parseIsoDate(text);
        BRIVET_FUZZ_CHECK(back, text);
        BRIVET_FUZZ_CHECK(*back == instantFromSeconds(secondsSinceEpoch(clampedToStorable(instant))), text);
    }
    return 0;
}
