#include "state/ScreenPlacement.h"

#include <gtest/gtest.h>

using namespace brivet;

namespace {

StickyNote noteAt(Rect frame, NoteDisplayMode mode = NoteDisplayMode::board, NoteSizePreset preset = NoteSizePreset::medium)
{
    StickyNote note;
    note.frame = NoteFrame { frame.x, frame.y, frame.width, frame.height, preset };
    note.displayMode = mode;
    return note;
}

Rect rectOf(const StickyNote& note)
{
    return Rect { note.frame.x, note.frame.y, note.frame.width, note.frame.height };
}

const std::vector<Rect> laptop { Rect { 0, 0, 1440, 875 } };

TEST(ScreenPlacement, ClampsSizeByModeAndMovesOntoTheScreen)
{
    struct Row {
        Rect in;
        NoteDisplayMode mode;
        NoteSizePreset preset;
        Rect out;
    } rows[] = {
        { { 5000, 5000, 500, 318 }, NoteDisplayMode::board, NoteSizePreset::medium, { 940, 557, 500, 318 } },
        { { 10, 10, 800, 500 }, NoteDisplayMode::board, NoteSizePreset::medium, { 10, 10, 600, 378 } },
        { { 10, 10, 200, 100 }, NoteDisplayMode::board, NoteSizePreset::medium, { 10, 10, 344, 248 } },
        { { 10, 10, 500, 318 }, NoteDisplayMode::detail, NoteSizePreset::medium, { 10, 10, 660, 500 } },
        { { -300, -300, 760, 580 }, NoteDisplayMode::detail, NoteSizePreset::large, { 0, 0, 760, 580 } },
        { { 0, 0, 2000, 2000 }, NoteDisplayMode::detail, NoteSizePreset::small, { 0, 0, 960, 860 } },
    };
    for (const Row& row : rows) {
        StickyNote placed = ScreenPlacement::sanitized(noteAt(row.in, row.mode, row.preset), laptop);
        EXPECT_EQ(rectOf(placed), row.out) << row.in.x << "," << row.in.y << " " << row.in.width << "x" << row.in.height;
        EXPECT_EQ(placed.frame.sizePreset, row.preset);
    }
}

TEST(ScreenPlacement, PicksTheFirstIntersectingScreen)
{
    std::vector<Rect> two { Rect { 0, 0, 1440, 875 }, Rect { 1440, 0, 1920, 1080 } };
    StickyNote onSecond = ScreenPlacement::sanitized(noteAt({ 3200, -50, 500, 318 }), two);
    EXPECT_EQ(rectOf(onSecond), (Rect { 2860, 0, 500, 318 }));
    StickyNote onBoth = ScreenPlacement::sanitized(noteAt({ 1200, 100, 500, 318 }), two);
    EXPECT_EQ(rectOf(onBoth), (Rect { 940, 100, 500, 318 })) << "the first in screen order wins";
    StickyNote onNone = ScreenPlacement::sanitized(noteAt({ 9000, 9000, 500, 318 }), two);
    EXPECT_EQ(rectOf(onNone), (Rect { 940, 557, 500, 318 }));
}

TEST(ScreenPlacement, TinyScreensAndNoScreens)
{
    std::vector<Rect> narrow { Rect { 100, 0, 300, 875 } };
    StickyNote placed = ScreenPlacement::sanitized(noteAt({ 500, 10, 500, 318 }), narrow);
    EXPECT_EQ(placed.frame.x, 100) << "aligned to the near edge when wider than the screen";
    EXPECT_EQ(placed.frame.width, 344) << "the minimum wins over the screen";

    StickyNote untouched = noteAt({ 5000, 5000, 1, 1 });
    EXPECT_EQ(ScreenPlacement::sanitized(untouched, {}), untouched);
    EXPECT_EQ(ScreenPlacement::sanitize(Point { -5, 9999 }, {}), (Point { -5, 9999 }));
    EXPECT_EQ(ScreenPlacement::sanitize(Point { -5, 9999 }, laptop), (Point { 0, 557 }));
}

} // namespace
