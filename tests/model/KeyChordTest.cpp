#include "model/KeyChord.h"

#include <gtest/gtest.h>

using namespace brivet;

namespace {

const std::vector<std::pair<std::string, std::string>> defaults { { "new-note", "Alt+Meta+N" },
    { "today-board", "Alt+Meta+B" }, { "open-panel", "Alt+Meta+P" } };

std::string keyOf(const std::vector<ShortcutBinding>& bindings, const std::string& id)
{
    for (const ShortcutBinding& binding : bindings)
        if (binding.actionId == id)
            return binding.chord ? binding.chord->toString() : "none";
    return "missing";
}

} // namespace

TEST(KeyChord, ReadsWhatTheKeyEditorWritesAndRejectsWhatCannotBeAGlobalKey)
{
    struct Row {
        const char* text;
        const char* canonical; // nullptr: rejected
    };
    for (Row row : std::initializer_list<Row> {
             { "Alt+Meta+N", "Alt+Meta+N" },
             { "meta+alt+n", "Alt+Meta+N" },
             { "Super+Control+F9", "Ctrl+Meta+F9" },
             { "Ctrl+Shift+Alt+Meta+PgUp", "Ctrl+Alt+Shift+Meta+PgUp" },
             { "Ctrl+Alt+/", "Ctrl+Alt+/" },
             { "Ctrl+Alt+space", "Ctrl+Alt+Space" },
             { "Meta+F35", "Meta+F35" },
             // Typing keys alone or with Shift only would reach no other program.
             { "N", nullptr },
             { "Shift+N", nullptr },
             { "F5", nullptr },
             { "", nullptr },
             { "Alt+Meta+", nullptr },
             { "Alt+Alt+N", nullptr },
             { "Alt+Meta+N+M", nullptr },
             { "Alt+Hyper+N", nullptr },
             { "Alt+Meta+F36", nullptr },
             { "Alt+Meta+F0", nullptr },
             { "Alt+Meta+Ñ", nullptr },
             { "Ctrl++", nullptr },
             { "Alt", nullptr },
         }) {
        std::optional<KeyChord> chord = KeyChord::parse(row.text);
        if (!row.canonical) {
            EXPECT_FALSE(chord.has_value()) << row.text;
            continue;
        }
        ASSERT_TRUE(chord.has_value()) << row.text;
        EXPECT_EQ(chord->toString(), row.canonical);
        EXPECT_EQ(KeyChord::parse(chord->toString()), chord) << "the written form reads back";
    }
}

TEST(KeyChord, StoredChoicesOverrideDefaultsAndBadOnesFallBackWithAReason)
{
    auto plain = resolveShortcuts(defaults, {});
    EXPECT_EQ(keyOf(plain, "new-note"), "Alt+Meta+N");
    EXPECT_EQ(keyOf(plain, "open-panel"), "Alt+Meta+P");
    for (const ShortcutBinding& binding : plain)
        EXPECT_TRUE(binding.problem.empty()) << binding.problem;

    // A choice, a key turned off, a choice for an action this version does
    // not know (ignored), text that is no chord.
    auto chosen = resolveShortcuts(defaults,
        { { "new-note", "Ctrl+Alt+F8" }, { "today-board", "" }, { "later-action", "Alt+Meta+L" }, { "open-panel", "P" } });
    EXPECT_EQ(keyOf(chosen, "new-note"), "Ctrl+Alt+F8");
    EXPECT_EQ(keyOf(chosen, "today-board"), "none");
    EXPECT_EQ(keyOf(chosen, "open-panel"), "Alt+Meta+P");
    EXPECT_NE(chosen[2].problem.find("\"P\""), std::string::npos) << chosen[2].problem;
    EXPECT_EQ(chosen.size(), 3u);

    // Two actions never share a key: the later one loses its choice, and
    // when its default is the earlier one's choice, it has none.
    auto clash = resolveShortcuts(defaults, { { "new-note", "Alt+Meta+P" }, { "today-board", "meta+alt+p" } });
    EXPECT_EQ(keyOf(clash, "new-note"), "Alt+Meta+P");
    EXPECT_EQ(keyOf(clash, "today-board"), "Alt+Meta+B");
    EXPECT_FALSE(clash[1].problem.empty());
    EXPECT_EQ(keyOf(clash, "open-panel"), "none");
    EXPECT_NE(clash[2].problem.find("another action"), std::string::npos) << clash[2].problem;
}
