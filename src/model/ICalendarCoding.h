#pragma once

#include "model/NoteCoding.h"
#include "model/StickyNote.h"

#include <string>
#include <string_view>
#include <vector>

namespace brivet {

class UserCalendar;

// Notes as an iCalendar file of to-dos (RFC 5545): one VTODO per note with
// the fields the reminders store holds: UID (the note's id), SUMMARY,
// DESCRIPTION, PRIORITY (1 high, 5 normal, 9 low), STATUS and COMPLETED,
// DUE in UTC. Lines end in CRLF and are folded at 75 octets, never inside a
// UTF-8 sequence. `now` stamps DTSTAMP.
std::string encodeICalendar(const std::vector<StickyNote>& notes, Instant now);

// The to-dos of an iCalendar file as local notes (no link to any store):
// title, details, due date, priority and completion. A UID that is a note
// id keeps it; any other UID gets a fresh id. Times with a TZID are read in
// that zone, floating times and dates in the user's. Fails, with a message
// for the user, on text that is not an iCalendar file or holds no to-do.
Decoded<std::vector<StickyNote>> decodeICalendar(std::string_view text, const UserCalendar& calendar, Instant now);

} // namespace brivet
