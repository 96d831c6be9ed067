#include "ui/DeleteUndoNotices.h"

#include "state/AppState.h"
#include "ui/DesktopNotifications.h"
#include "ui/QtConversions.h"
#include "ui/StateBridge.h"

namespace brivet {

DeleteUndoNotices::DeleteUndoNotices(AppState& state, StateBridge& bridge, DesktopNotifications& notifications,
    std::function<bool()> dashboardIsActive, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_notifications(notifications)
    , m_dashboardIsActive(std::move(dashboardIsActive))
{
    connect(&bridge, &StateBridge::trashChanged, this, &DeleteUndoNotices::offerChanged);
    connect(&notifications, &DesktopNotifications::actionInvoked, this, [this](uint id, const QString& key) {
        auto found = m_notices.find(id);
        if (found == m_notices.end() || key != QLatin1String(undoAction))
            return;
        const Uuid noteId = found->second;
        m_notices.erase(found);
        m_state.restoreFromTrash(noteId);
    });
    connect(&notifications, &DesktopNotifications::closed, this, [this](uint id) { m_notices.erase(id); });
}

void DeleteUndoNotices::offerChanged()
{
    const std::optional<AppState::UndoOffer>& offer = m_state.undoOffer();
    std::optional<Uuid> offered = offer ? std::optional<Uuid>(offer->noteId) : std::nullopt;
    if (offered == m_offered)
        return;
    m_offered = offered;
    // The notices of offers that ended go; the trash still has their notes.
    for (auto it = m_notices.begin(); it != m_notices.end();) {
        if (it->second != offered) {
            m_notifications.close(it->first);
            it = m_notices.erase(it);
        } else {
            ++it;
        }
    }
    if (!offer || (m_dashboardIsActive && m_dashboardIsActive()))
        return;
    const QString title = offer->title.empty() ? QStringLiteral("未命名悬笺") : qs(offer->title);
    DesktopNotifications::Notice notice {
        QStringLiteral("已删除「%1」").arg(title),
        QStringLiteral("可以撤销；之后也能在悬笺控制台的回收站里恢复。"),
        { { QString::fromLatin1(undoAction), QStringLiteral("撤销") } },
        int(AppState::undoDeleteWindow.count()),
    };
    const Uuid noteId = offer->noteId;
    m_notifications.show(notice, [this, noteId](uint id) {
        // The offer may have ended before the server answered.
        if (m_offered == noteId)
            m_notices[id] = noteId;
        else
            m_notifications.close(id);
    });
}

} // namespace brivet
