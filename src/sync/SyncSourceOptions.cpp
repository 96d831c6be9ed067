#include "sync/SyncSourceOptions.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace brivet::SyncSourceOptions {

std::optional<std::string> colorHex(const std::optional<StoreColor>& color)
{
    if (!color)
        return std::nullopt;
    if (color->components.size() < 3)
        return std::string("#7A7A7A");
    auto channel = [&](std::size_t index) {
        double value = color->components[index];
        if (!std::isfinite(value))
            value = 0;
        return static_cast<unsigned>(std::clamp(std::lround(value * 255.0), 0L, 255L));
    };
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", channel(0), channel(1), channel(2));
    return std::string(text);
}

SyncSourceOption option(const StoreCalendar& calendar, SyncSourceKind kind)
{
    return { calendar.uid, calendar.title, calendar.sourceTitle, kind, colorHex(calendar.color) };
}

bool isOffered(const StoreCalendar& calendar, SyncSourceKind kind)
{
    return kind == SyncSourceKind::reminderList || calendar.allowsContentModifications || !calendar.isSubscription;
}

void sortByTitle(std::vector<SyncSourceOption>& options, std::string_view localeId)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale(std::string(localeId).c_str()), status));
    if (U_FAILURE(status) || !collator) {
        std::stable_sort(options.begin(), options.end(), [](const auto& a, const auto& b) { return a.title < b.title; });
        return;
    }
    // Secondary strength ignores case but keeps accents apart.
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    std::stable_sort(options.begin(), options.end(), [&](const SyncSourceOption& a, const SyncSourceOption& b) {
        UErrorCode compareStatus = U_ZERO_ERROR;
        return collator->compareUTF8(a.title, b.title, compareStatus) == UCOL_LESS;
    });
}

std::vector<SyncSourceOption> options(const std::vector<StoreCalendar>& calendars, SyncSourceKind kind,
    std::string_view localeId)
{
    std::vector<SyncSourceOption> result;
    result.reserve(calendars.size());
    for (const StoreCalendar& calendar : calendars)
        if (isOffered(calendar, kind))
            result.push_back(option(calendar, kind));
    sortByTitle(result, localeId);
    return result;
}

} // namespace brivet::SyncSourceOptions
