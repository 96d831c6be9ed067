#pragma once

#include "model/AppPreferences.h"
#include "model/StickyNote.h"

#include <vector>

namespace brivet {

// The desktop panels, one per note that is not hidden.
class WindowManaging {
public:
    virtual ~WindowManaging() = default;
    // Makes the set of panels equal to the notes whose isHidden is false and
    // brings every existing panel up to date.
    virtual void reconcile(const std::vector<StickyNote>& notes, const AppPreferences& preferences) = 0;
    // Raises and activates the note's panel, if it has one.
    virtual void focus(const Uuid& noteId) = 0;
};

class NullWindowManager final : public WindowManaging {
public:
    void reconcile(const std::vector<StickyNote>&, const AppPreferences&) override { }
    void focus(const Uuid&) override { }
};

} // namespace brivet
