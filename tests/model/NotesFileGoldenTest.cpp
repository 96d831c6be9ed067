// A notes file written by this version decodes and encodes to the same
// bytes: a change to the format, or to the order or spelling of a field,
// shows here before a user's file meets it. BRIVET_WRITE_GOLDEN=1 writes
// the file anew from the fuzz seeds: one note with every field, then
// generated ones.
#include "model/NoteCoding.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <variant>

using namespace brivet;
using namespace brivet::testing;

namespace {

const std::filesystem::path sourceDir(BRIVET_SOURCE_DIR);
const Instant readAt = instantFromSeconds(1'796'000'000);

std::vector<StickyNote> decoded(const std::string& file)
{
    Decoded<std::vector<StickyNote>> notes = decodeNotesFile(file, readAt);
    if (const auto* error = std::get_if<DecodeError>(&notes)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<std::vector<StickyNote>>(std::move(notes));
}

} // namespace

TEST(NotesFileGoldenTest, AFileThisVersionWroteReadsBackByteForByte)
{
    const std::filesystem::path golden = sourceDir / "tests/data/notes.json";
    if (std::getenv("BRIVET_WRITE_GOLDEN")) {
        std::vector<StickyNote> notes;
        for (const char* seed : { "every-field", "generated-12" })
            for (StickyNote& note : decoded(readFile(sourceDir / "tests/fuzz/corpus/notes_file" / seed)))
                notes.push_back(std::move(note));
        std::ofstream(golden, std::ios::binary) << encodeNotesFile(notes);
    }
    const std::string written = readFile(golden);
    ASSERT_FALSE(written.empty()) << golden;
    std::vector<StickyNote> notes = decoded(written);
    EXPECT_EQ(notes.size(), 13u);
    EXPECT_EQ(encodeNotesFile(notes), written);
}
