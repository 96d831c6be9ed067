#pragma once

#include "model/StickyNote.h"

#include <vector>

namespace brivet::testing {

// A realistic notes list for benchmarks: Chinese and ASCII titles, a few
// lines of details, up to six tasks, due dates around `now`, imported
// reminders and events with links, some deferred notes, a few visible cards
// and a handful of scene boards whose lines link to other notes.
std::vector<StickyNote> generateRealisticNotes(std::size_t count, Instant now, unsigned seed);

} // namespace brivet::testing
