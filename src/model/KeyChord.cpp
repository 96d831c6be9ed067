#include "model/KeyChord.h"

#include <algorithm>
#include <array>

namespace brivet {

namespace {

constexpr std::array<std::string_view, 22> namedKeys { "Space", "Esc", "Tab", "Backspace", "Return", "Enter", "Ins", "Del",
    "Home", "End", "PgUp", "PgDown", "Left", "Up", "Right", "Down", "Print", "Pause", "ScrollLock", "Menu", "Backtab",
    "Help" };
constexpr std::string_view punctuation = ",./;'[]\\-=`";

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
    return out;
}

bool sameLetters(std::string_view a, std::string_view b) { return upper(a) == upper(b); }

// The canonical spelling of a key, or empty when it is none.
std::string canonicalKey(std::string_view text)
{
    if (text.size() == 1) {
        char c = text.front();
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return upper(text);
        if (punctuation.find(c) != std::string_view::npos)
            return std::string(text);
        return {};
    }
    if ((text.front() == 'F' || text.front() == 'f') && text.size() <= 3) {
        std::string_view digits = text.substr(1);
        if (digits.front() == '0' || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return {};
        int number = std::stoi(std::string(digits));
        return number >= 1 && number <= 35 ? "F" + std::string(digits) : std::string();
    }
    for (std::string_view name : namedKeys)
        if (sameLetters(text, name))
            return std::string(name);
    return {};
}

std::optional<unsigned> modifierNamed(std::string_view text)
{
    if (sameLetters(text, "Ctrl") || sameLetters(text, "Control"))
        return KeyChord::control;
    if (sameLetters(text, "Alt"))
        return KeyChord::alt;
    if (sameLetters(text, "Shift"))
        return KeyChord::shift;
    if (sameLetters(text, "Meta") || sameLetters(text, "Super"))
        return KeyChord::meta;
    return std::nullopt;
}

} // namespace

std::optional<KeyChord> KeyChord::parse(std::string_view text)
{
    KeyChord chord;
    while (!text.empty()) {
        // A "+" right at a part's start is the key itself (the last part).
        std::size_t plus = text.find('+', 1);
        std::string_view part = text.substr(0, plus);
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
        if (plus == std::string_view::npos) {
            chord.key = canonicalKey(part);
            if (chord.key.empty())
                return std::nullopt;
            break;
        }
        std::optional<unsigned> modifier = modifierNamed(part);
        if (!modifier || (chord.modifiers & *modifier) || text.empty())
            return std::nullopt;
        chord.modifiers |= *modifier;
    }
    if (chord.key.empty() || !(chord.modifiers & (control | alt | meta)))
        return std::nullopt;
    return chord;
}

std::string KeyChord::toString() const
{
    std::string text;
    for (auto [flag, name] : { std::pair { control, "Ctrl+" }, std::pair { alt, "Alt+" }, std::pair { shift, "Shift+" },
             std::pair { meta, "Meta+" } })
        if (modifiers & flag)
            text += name;
    return text + key;
}

std::vector<ShortcutBinding> resolveShortcuts(const std::vector<std::pair<std::string, std::string>>& defaults,
    const std::map<std::string, std::string>& stored)
{
    std::vector<ShortcutBinding> bindings;
    auto taken = [&bindings](const KeyChord& chord) {
        return std::any_of(bindings.begin(), bindings.end(), [&](const ShortcutBinding& b) { return b.chord == chord; });
    };
    for (const auto& [id, defaultText] : defaults) {
        ShortcutBinding binding { id, KeyChord::parse(defaultText), {} };
        auto choice = stored.find(id);
        if (choice != stored.end() && choice->second.empty()) {
            binding.chord.reset();
        } else if (choice != stored.end()) {
            std::optional<KeyChord> chosen = KeyChord::parse(choice->second);
            if (!chosen)
                binding.problem = "\"" + choice->second + "\" is not a key combination with Ctrl, Alt or Meta";
            else if (taken(*chosen))
                binding.problem = chosen->toString() + " is already the key of another action";
            else
                binding.chord = chosen;
        }
        if (binding.chord && taken(*binding.chord)) {
            binding.problem += std::string(binding.problem.empty() ? "" : "; ") + "its default " + binding.chord->toString()
                + " is another action's key";
            binding.chord.reset();
        }
        bindings.push_back(std::move(binding));
    }
    return bindings;
}

} // namespace brivet
