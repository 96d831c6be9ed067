#include "sync/eds/EdsColor.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <utility>

namespace brivet::eds {

namespace {

std::string lowered(std::string_view text)
{
    std::string result;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            result.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return result;
}

std::optional<unsigned> hexValue(std::string_view digits)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

StoreColor fromHex(std::string_view digits)
{
    if (digits.empty() || digits.size() % 3 != 0 || digits.size() > 12)
        return {};
    const std::size_t width = digits.size() / 3;
    const double maximum = static_cast<double>((1u << (4 * width)) - 1);
    StoreColor color;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const std::optional<unsigned> value = hexValue(digits.substr(channel * width, width));
        if (!value)
            return {};
        color.components.push_back(*value / maximum);
    }
    return color;
}

// "rgb(10,20,30)", "rgb(10%,20%,30%)", "rgba(10,20,30,0.5)".
StoreColor fromFunction(std::string_view body, bool withAlpha)
{
    StoreColor color;
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t comma = std::min(body.find(',', start), body.size());
        std::string_view item = body.substr(start, comma - start);
        const bool percent = !item.empty() && item.back() == '%';
        if (percent)
            item.remove_suffix(1);
        double value = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || error != std::errc() || end != item.data() + item.size())
            return {};
        const bool alpha = color.components.size() == 3;
        const double scaled = percent ? value / 100.0 : (alpha ? value : value / 255.0);
        color.components.push_back(std::clamp(scaled, 0.0, 1.0));
        start = comma + 1;
    }
    if (color.components.size() != (withAlpha ? 4u : 3u))
        return {};
    return color;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 17> namedColors { {
    { "black", "000000" }, { "silver", "c0c0c0" }, { "gray", "808080" }, { "grey", "808080" },
    { "white", "ffffff" }, { "maroon", "800000" }, { "red", "ff0000" }, { "purple", "800080" },
    { "fuchsia", "ff00ff" }, { "green", "008000" }, { "lime", "00ff00" }, { "olive", "808000" },
    { "yellow", "ffff00" }, { "navy", "000080" }, { "blue", "0000ff" }, { "teal", "008080" },
    { "aqua", "00ffff" },
} };

} // namespace

StoreColor parseSourceColor(std::string_view text)
{
    const std::string value = lowered(text);
    std::string_view view(value);
    if (view.starts_with('#'))
        return fromHex(view.substr(1));
    if (view.starts_with("rgba(") && view.ends_with(')'))
        return fromFunction(view.substr(5, view.size() - 6), true);
    if (view.starts_with("rgb(") && view.ends_with(')'))
        return fromFunction(view.substr(4, view.size() - 5), false);
    for (const auto& [name, hex] : namedColors) {
        if (view == name)
            return fromHex(hex);
    }
    return {};
}

} // namespace brivet::eds
