#include "ui/ReminderDesktopNotices.h"

#include "state/AppState.h"
#include "ui/DesktopNotifications.h"
#include "ui/QtConversions.h"

namespace brivet {

ReminderDesktopNotices::ReminderDesktopNotices(AppState& state, Scheduler& scheduler,
    DesktopNotifications& notifications, std::function<void()> openDashboard, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_notifications(notifications)
    , m_openDashboard(std::move(openDashboard))
{
    connect(&notifications, &DesktopNotifications::actionInvoked, this, &ReminderDesktopNotices::actionInvoked);
    connect(&notifications, &DesktopNotifications::closed, this, &ReminderDesktopNotices::forget);
    ReminderNoticeSink& sink = *this;
    m_notices = std::make_unique<ReminderNotices>(state, scheduler, sink);
}

ReminderDesktopNotices::~ReminderDesktopNotices() = default;

void ReminderDesktopNotices::show(const ReminderNotice& notice)
{
    std::vector<std::pair<QString, QString>> actions;
    if (notice.kind != NoticeKind::calendarStart)
        actions.emplace_back(QString::fromLatin1(completeAction), QStringLiteral("完成"));
    actions.emplace_back(QString::fromLatin1(laterAction), QStringLiteral("稍后 1 小时"));
    actions.emplace_back(QString::fromLatin1(openAction), QStringLiteral("打开"));
    const Key key { notice.noteId, notice.kind };
    DesktopNotifications::Notice shown { qs(notice.summary(m_state.calendar())), qs(notice.body(m_state.calendar())),
        std::move(actions), -1, replacing(key) };
    m_notifications.show(shown, [this, key](uint id) { remember(id, key); });
}

void ReminderDesktopNotices::showSummary(const std::vector<ReminderNotice>& notices)
{
    DesktopNotifications::Notice shown { qs(ReminderNotices::summaryHeadline(notices)),
        qs(ReminderNotices::summaryBody(notices)), { { QString::fromLatin1(openAction), QStringLiteral("打开") } }, -1,
        replacing(std::nullopt) };
    m_notifications.show(shown, [this](uint id) { remember(id, std::nullopt); });
}

uint ReminderDesktopNotices::replacing(const std::optional<Key>& key) const
{
    for (const auto& [id, shown] : m_shown)
        if (shown == key)
            return id;
    return 0;
}

void ReminderDesktopNotices::remember(uint id, std::optional<Key> key)
{
    std::erase_if(m_shown, [&](const auto& entry) { return entry.second == key; });
    m_shown[id] = std::move(key);
}

void ReminderDesktopNotices::forget(uint id)
{
    m_shown.erase(id);
}

void ReminderDesktopNotices::actionInvoked(uint id, const QString& action)
{
    auto found = m_shown.find(id);
    if (found == m_shown.end())
        return;
    const std::optional<Key> key = found->second;
    if (!key) {
        if (action == QLatin1String(openAction) && m_openDashboard)
            m_openDashboard();
        return;
    }
    if (action == QLatin1String(completeAction))
        m_notices->perform(key->first, NoticeAction::complete);
    else if (action == QLatin1String(laterAction))
        m_notices->perform(key->first, NoticeAction::later);
    else if (action == QLatin1String(openAction))
        m_notices->perform(key->first, NoticeAction::open);
}

} // namespace brivet
