#pragma once

#include <vector>

namespace brivet {

// A rectangle in model coordinates: points, origin bottom left, y upwards.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    bool intersects(const Rect& other) const
    {
        return width > 0 && height > 0 && other.width > 0 && other.height > 0 && x < other.maxX() && other.x < maxX()
            && y < other.maxY() && other.y < maxY();
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The attached screens.
class ScreenList {
public:
    virtual ~ScreenList() = default;
    // Visible frames (screen minus panels and docks) in model coordinates,
    // the main screen first; empty when headless.
    virtual std::vector<Rect> visibleFrames() const = 0;
};

class FixedScreenList final : public ScreenList {
public:
    explicit FixedScreenList(std::vector<Rect> frames = {}) : m_frames(std::move(frames)) { }
    std::vector<Rect> visibleFrames() const override { return m_frames; }
    void setFrames(std::vector<Rect> frames) { m_frames = std::move(frames); }

private:
    std::vector<Rect> m_frames;
};

} // namespace brivet
