#include "ui/KeyRepeatFilter.h"

namespace brivet {

bool KeyRepeatFilter::press(unsigned keycode, std::uint32_t time)
{
    KeyState& key = m_keys[keycode];
    bool repeat = key.down || (key.released && key.releasedAt == time);
    key.down = true;
    key.released = false;
    return !repeat;
}

void KeyRepeatFilter::release(unsigned keycode, std::uint32_t time)
{
    KeyState& key = m_keys[keycode];
    key.down = false;
    key.released = true;
    key.releasedAt = time;
}

} // namespace brivet
