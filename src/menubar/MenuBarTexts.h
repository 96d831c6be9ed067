#pragma once

#include "model/Instant.h"
#include "model/StickyNote.h"

#include <optional>
#include <string>
#include <vector>

namespace brivet {

class AppState;
class UserCalendar;

// What the tray panel lists and the texts it shows, read from the state.
namespace MenuBarTexts {

inline constexpr int panelWidth = 360;
inline constexpr double panelMinimumHeight = 240;
// Used when no screen is known.
inline constexpr double panelFallbackMaximumHeight = 606.8;
inline constexpr std::size_t queueLength = 3;
inline constexpr std::size_t listedBoardCount = 2;

// 74 % of the screen's visible height, kept within 440 to 640.
double panelMaximumHeight(std::optional<double> visibleScreenHeight);
// The content's height within the panel's minimum and `maximum`.
double panelHeight(double contentHeight, double maximum);

// Today's, then upcoming, then local draft notes, without the primary
// execution note, at most three.
std::vector<StickyNote> executionQueue(const AppState& state);
// The first two scene boards in board order.
std::vector<StickyNote> listedSceneBoards(const AppState& state);

// "今天 上午10:30", "明天 下午3:00", otherwise month, day and time.
std::string primaryDueText(const StickyNote& note, const UserCalendar& calendar, Instant now);
// The line under the primary card's title: the details, else the task
// progress, else a hint.
std::string primaryDetailLine(const StickyNote& note);
// "本地 · 12月5日 下午3:00" or "提醒事项 · 未排期".
std::string executionMetaLine(const StickyNote& note, const UserCalendar& calendar);
// "今日焦点 · 任务 1/4".
std::string sceneBoardMetaLine(const StickyNote& board);
std::string noteTitle(const StickyNote& note);
std::string boardTitle(const StickyNote& board);

} // namespace MenuBarTexts

} // namespace brivet
