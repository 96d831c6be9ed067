// Writes a realistic notes file of N notes into a data folder, for measuring
// the app with a large store:
//   brivet-generate-notes [--without-today-board] <folder> <count> [seed]
// Without a today board, the app's next launch generates one and shows it,
// as on a first launch with that many notes.
#include "model/Clock.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "support/NoteGenerator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool withoutTodayBoard = argc > 1 && std::strcmp(argv[1], "--without-today-board") == 0;
    if (withoutTodayBoard) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [--without-today-board] <folder> <count> [seed]\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    unsigned long count = std::strtoul(argv[2], &end, 10);
    if (!end || *end || count == 0 || count > 1'000'000) {
        std::fprintf(stderr, "count must be between 1 and 1000000\n");
        return 2;
    }
    unsigned seed = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 7u;

    brivet::SystemClock clock;
    brivet::DataFolder folder { argv[1] };
    if (brivet::Status made = folder.ensureExists(); !made) {
        std::fprintf(stderr, "%s\n", made.message().c_str());
        return 1;
    }
    brivet::JsonNoteRepository repository(folder, clock);
    auto notes = brivet::testing::generateRealisticNotes(count, clock.now(), seed);
    if (withoutTodayBoard)
        std::erase_if(notes, [](const brivet::StickyNote& note) { return note.surfaceRole == brivet::NoteSurfaceRole::todayBoard; });
    if (brivet::Status saved = repository.save(notes); !saved) {
        std::fprintf(stderr, "%s\n", saved.message().c_str());
        return 1;
    }
    std::printf("%lu notes written to %s\n", count, folder.notesFile().c_str());
    return 0;
}
