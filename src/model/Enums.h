#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brivet {

// Closed sets of the records. Cases are declared in the order pickers and
// menus show them; `allCases<T>` gives that order.

enum class NotePriority { low = 1, normal = 5, high = 9 };
enum class NoteTheme { work, life, urgent, custom };
enum class NoteSource { local, reminders, calendar };
enum class NoteDisplayMode { detail, board };
enum class NoteSurfaceRole { regular, todayBoard, upcomingBoard, meetingBoard, weeklyBoard, customBoard };
enum class NoteSizePreset { small, medium, large };

enum class DesktopSurfaceMode { sceneBoardsOnly, sceneBoardsAndPinned, allImportedNotes };
enum class NoteWindowLayerMode { desktop, floating, topMost };
enum class MenuBarTitleMode { brand, currentTask };

enum class SyncDateScope { today, next3Days, next7Days, next30Days, custom };
enum class SyncSourceKind { reminderList, calendar };

enum class NoteDeferPreset { oneHour, thisAfternoon, tomorrowMorning };

template<typename T> struct EnumCases;
#define BRIVET_CASES(Type, ...)                                                            \
    template<> struct EnumCases<Type> {                                                    \
        static constexpr auto values = std::to_array<Type>({ __VA_ARGS__ });               \
    };
BRIVET_CASES(NotePriority, NotePriority::low, NotePriority::normal, NotePriority::high)
BRIVET_CASES(NoteTheme, NoteTheme::work, NoteTheme::life, NoteTheme::urgent, NoteTheme::custom)
BRIVET_CASES(NoteSource, NoteSource::local, NoteSource::reminders, NoteSource::calendar)
BRIVET_CASES(NoteDisplayMode, NoteDisplayMode::detail, NoteDisplayMode::board)
BRIVET_CASES(NoteSurfaceRole, NoteSurfaceRole::regular, NoteSurfaceRole::todayBoard, NoteSurfaceRole::upcomingBoard,
    NoteSurfaceRole::meetingBoard, NoteSurfaceRole::weeklyBoard, NoteSurfaceRole::customBoard)
BRIVET_CASES(NoteSizePreset, NoteSizePreset::small, NoteSizePreset::medium, NoteSizePreset::large)
BRIVET_CASES(DesktopSurfaceMode, DesktopSurfaceMode::sceneBoardsOnly, DesktopSurfaceMode::sceneBoardsAndPinned,
    DesktopSurfaceMode::allImportedNotes)
BRIVET_CASES(NoteWindowLayerMode, NoteWindowLayerMode::desktop, NoteWindowLayerMode::floating, NoteWindowLayerMode::topMost)
BRIVET_CASES(MenuBarTitleMode, MenuBarTitleMode::brand, MenuBarTitleMode::currentTask)
BRIVET_CASES(SyncDateScope, SyncDateScope::today, SyncDateScope::next3Days, SyncDateScope::next7Days,
    SyncDateScope::next30Days, SyncDateScope::custom)
BRIVET_CASES(SyncSourceKind, SyncSourceKind::reminderList, SyncSourceKind::calendar)
BRIVET_CASES(NoteDeferPreset, NoteDeferPreset::oneHour, NoteDeferPreset::thisAfternoon, NoteDeferPreset::tomorrowMorning)
#undef BRIVET_CASES

template<typename T>
constexpr const auto& allCases() { return EnumCases<T>::values; }

// Raw values as the stored files and identities use them. NotePriority is
// stored as its number; its rawValue is the decimal text.
std::string_view rawValue(NoteTheme);
std::string_view rawValue(NoteSource);
std::string_view rawValue(NoteDisplayMode);
std::string_view rawValue(NoteSurfaceRole);
std::string_view rawValue(NoteSizePreset);
std::string_view rawValue(DesktopSurfaceMode);
std::string_view rawValue(NoteWindowLayerMode);
std::string_view rawValue(MenuBarTitleMode);
std::string_view rawValue(SyncDateScope);
std::string_view rawValue(SyncSourceKind);
std::string_view rawValue(NoteDeferPreset);

// The case with that raw value, or nothing for an unknown one.
template<typename T>
std::optional<T> fromRawValue(std::string_view raw)
{
    for (T value : allCases<T>())
        if (rawValue(value) == raw)
            return value;
    return std::nullopt;
}
// A note's stored priority number (1 low, 5 normal, 9 high); none for any
// other number.
std::optional<NotePriority> priorityFromRawValue(long long number);

// Display titles (Simplified Chinese, exactly as shown to the user).
std::string_view title(NotePriority);
std::string_view title(NoteTheme);
std::string_view title(NoteSource);
std::string_view title(NoteSizePreset);
std::string_view title(DesktopSurfaceMode);
std::string_view caption(DesktopSurfaceMode);
std::string_view title(NoteWindowLayerMode);
std::string_view title(MenuBarTitleMode);
std::string_view title(SyncDateScope);
std::string_view title(NoteDeferPreset);
// The board title of a role ("普通悬笺" for regular).
std::string_view roleTitle(NoteSurfaceRole);
// The short source label of linked task titles: "本地", "提醒", "日历".
std::string_view shortLabel(NoteSource);

inline int priorityRank(NotePriority p) { return static_cast<int>(p); }

} // namespace brivet
