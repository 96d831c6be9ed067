#pragma once

#include "sync/EventStore.h"
#include "sync/SyncTypes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivet {

// Building the selectable lists and calendars the sync center offers.
namespace SyncSourceOptions {

// "#RRGGBB" from sRGB components; "#7A7A7A" when the colour could not be
// converted (fewer than three components); none without a colour.
std::optional<std::string> colorHex(const std::optional<StoreColor>& color);

SyncSourceOption option(const StoreCalendar& calendar, SyncSourceKind kind);

// Read-only subscribed calendars are left out; every other calendar and
// every reminder list is offered.
bool isOffered(const StoreCalendar& calendar, SyncSourceKind kind);

// Sorts by title the way file browsers do in the given locale: ignoring
// case, digits compared as numbers. Equal titles keep their order.
void sortByTitle(std::vector<SyncSourceOption>& options, std::string_view localeId);

// The offered options of one kind, sorted.
std::vector<SyncSourceOption> options(const std::vector<StoreCalendar>& calendars, SyncSourceKind kind,
    std::string_view localeId);

} // namespace SyncSourceOptions

} // namespace brivet
