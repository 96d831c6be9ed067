#include "model/KeyChord.h"
#include "ui/KeyRepeatFilter.h"
#include "ui/PortalShortcuts.h"
#include "ui/X11KeyGrabs.h"

#include <gtest/gtest.h>

using namespace brivet;

TEST(GlobalKeys, AutoRepeatWhileHeldIsNoNewPressEitherWayTheServerReportsIt)
{
    KeyRepeatFilter keys;
    // Held, with repeats reported as presses only (detectable auto-repeat).
    EXPECT_TRUE(keys.press(57, 1000));
    EXPECT_FALSE(keys.press(57, 1500));
    EXPECT_FALSE(keys.press(57, 1530));
    keys.release(57, 1600);
    // Held, with each repeat a release and a press at the same moment.
    EXPECT_TRUE(keys.press(57, 2000));
    keys.release(57, 2500);
    EXPECT_FALSE(keys.press(57, 2500));
    keys.release(57, 2530);
    EXPECT_FALSE(keys.press(57, 2530));
    keys.release(57, 2600);
    // Quick distinct presses, a hundred a second, each count; so does
    // another key while one is held.
    for (std::uint32_t t = 3000; t < 3100; t += 10) {
        EXPECT_TRUE(keys.press(57, t)) << t;
        keys.release(57, t + 4);
    }
    EXPECT_TRUE(keys.press(57, 4000));
    EXPECT_TRUE(keys.press(56, 4001));
}

TEST(GlobalKeys, ChordsBecomeTheKeysTheServerAndThePortalNameThemBy)
{
    auto chord = [](const char* text) { return *KeyChord::parse(text); };
    EXPECT_EQ(keysymForKey("N"), 0x6eu) << "the unshifted letter";
    EXPECT_EQ(keysymForKey("7"), 0x37u);
    EXPECT_EQ(keysymForKey("F1"), 0xffbeu);
    EXPECT_EQ(keysymForKey("F35"), 0xffe0u);
    EXPECT_EQ(keysymForKey("PgDown"), 0xff56u);
    EXPECT_EQ(keysymForKey("/"), 0x2fu);
    EXPECT_EQ(PortalShortcuts::triggerText(chord("Alt+Meta+N")), QStringLiteral("ALT+LOGO+n"));
    EXPECT_EQ(PortalShortcuts::triggerText(chord("Ctrl+Shift+Alt+F9")), QStringLiteral("CTRL+ALT+SHIFT+F9"));
    EXPECT_EQ(PortalShortcuts::triggerText(chord("Meta+PgUp")), QStringLiteral("LOGO+Page_Up"));
    EXPECT_EQ(PortalShortcuts::triggerText(chord("Ctrl+Alt+=")), QStringLiteral("CTRL+ALT+equal"));
    // Every key the chords accept has a keysym.
    for (const char* key : { "Space", "Esc", "Tab", "Backtab", "Backspace", "Return", "Enter", "Ins", "Del", "Home", "End",
             "PgUp", "PgDown", "Left", "Up", "Right", "Down", "Print", "Pause", "ScrollLock", "Menu", "Help" })
        EXPECT_NE(keysymForKey(key), 0u) << key;
}
