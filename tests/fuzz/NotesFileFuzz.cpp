// Any bytes as a notes file: decoding never crashes, and a decoded file
// written out again decodes to the same notes and the same bytes.
#include "FuzzCheck.h"

#include "model/NoteCoding.h"

#include <cstdint>
#include <string>

using namespace brivet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Instant now = instantFromSeconds(1'796'000'000);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    auto first = decodeNotesFile(input, now);
    auto* notes = std::get_if<std::vector<StickyNote>>(&first);
    if (!notes) {
        BRIVET_FUZZ_CHECK(!std::get<DecodeError>(first).message.empty(), "a failure says why");
        return 0;
    }
    const std::string encoded = encodeNotesFile(*notes);
    auto second = decodeNotesFile(encoded, now);
    auto* again = std::get_if<std::vector<StickyNote>>(&second);
    BRIVET_FUZZ_CHECK(again, "written file fails: " + std::get<DecodeError>(second).message);
    BRIVET_FUZZ_CHECK(*again == *notes, encoded);
    BRIVET_FUZZ_CHECK(encodeNotesFile(*again) == encoded, encoded);
    return 0;
}
