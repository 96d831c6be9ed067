#pragma once

#include "model/Uuid.h"
#include "state/ReminderNotices.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace brivet {

class AppState;
class DesktopNotifications;
class Scheduler;

// The due, deferral-end and calendar-start notices on the desktop, with
// "完成", "稍后 1 小时" and "打开" (a summary has "打开" only, which opens
// the dashboard). A note's notice of a kind replaces its earlier one.
class ReminderDesktopNotices final : public QObject, private ReminderNoticeSink {
    Q_OBJECT
public:
    ReminderDesktopNotices(AppState& state, Scheduler& scheduler, DesktopNotifications& notifications,
        std::function<void()> openDashboard, QObject* parent = nullptr);
    ~ReminderDesktopNotices() override;

    static constexpr const char* completeAction = "complete";
    static constexpr const char* laterAction = "later";
    static constexpr const char* openAction = "open";

private:
    void show(const ReminderNotice& notice) override;
    void showSummary(const std::vector<ReminderNotice>& notices) override;
    void actionInvoked(uint id, const QString& key);
    // The server gave `id`: it now stands for `key` alone (a server that
    // restarted counts its ids again).
    using Key = std::pair<Uuid, NoticeKind>;
    void remember(uint id, std::optional<Key> key);
    void forget(uint id);
    uint replacing(const std::optional<Key>& key) const;

    AppState& m_state;
    DesktopNotifications& m_notifications;
    std::function<void()> m_openDashboard;
    // By the server's id; none: the summary.
    std::map<uint, std::optional<Key>> m_shown;
    std::unique_ptr<ReminderNotices> m_notices;
};

} // namespace brivet
