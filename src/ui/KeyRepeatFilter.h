#pragma once

#include <cstdint>
#include <map>

namespace brivet {

// Tells a key's first press from the presses auto-repeat adds while it is
// held, from X key events: a key is held from its press to its release, and
// where the server cannot report repeats as such it sends a release and a
// press with the same timestamp for each repeat, which is no new press
// either.
class KeyRepeatFilter {
public:
    // True when this press of `keycode` at `time` (server milliseconds) is
    // a new one; false for a repeat.
    bool press(unsigned keycode, std::uint32_t time);
    void release(unsigned keycode, std::uint32_t time);

private:
    struct KeyState {
        bool down = false;
        bool released = false;
        std::uint32_t releasedAt = 0;
    };
    std::map<unsigned, KeyState> m_keys;
};

} // namespace brivet
