#pragma once

#include "sync/EventStore.h"

#include <string_view>

namespace brivet::eds {

// A source colour as Evolution stores it ("#rrggbb" mostly; also "#rgb",
// 12-bit-per-channel "#rrrrggggbbbb", "rgb(…)"/"rgba(…)" and the basic
// CSS names) in sRGB components 0…1. Text that is none of these gives no
// components, which the engine shows as its neutral grey.
StoreColor parseSourceColor(std::string_view text);

} // namespace brivet::eds
