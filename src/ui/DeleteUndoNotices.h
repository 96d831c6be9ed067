#pragma once

#include "model/Uuid.h"

#include <functional>
#include <map>
#include <optional>

#include <QObject>

namespace brivet {

class AppState;
class DesktopNotifications;
class StateBridge;

// After a delete made away from the dashboard (a card, the tray panel), a
// desktop notice "已删除「标题」" with a "撤销" action that restores that
// note from the trash. The notice goes when the undo offer ends; an action
// that arrives after the note left the trash does nothing.
class DeleteUndoNotices final : public QObject {
    Q_OBJECT
public:
    // `dashboardIsActive`: whether the user is in the dashboard, whose own
    // undo bar then offers the undo.
    DeleteUndoNotices(AppState& state, StateBridge& bridge, DesktopNotifications& notifications,
        std::function<bool()> dashboardIsActive, QObject* parent = nullptr);

    static constexpr const char* undoAction = "undo";

private:
    void offerChanged();

    AppState& m_state;
    DesktopNotifications& m_notifications;
    std::function<bool()> m_dashboardIsActive;
    std::optional<Uuid> m_offered;
    // The notices on screen, by the server's id.
    std::map<uint, Uuid> m_notices;
};

} // namespace brivet
