#include "app/TrayController.h"

#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>

namespace brivet {

TrayController::TrayController(AppState& state, const QIcon& icon, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_bridge(std::make_unique<StateBridge>())
    , m_menu(std::make_unique<QMenu>())
    , m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_icon->setIcon(icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileDialogListView) : icon);

    m_menu->setObjectName(QStringLiteral("trayMenu"));
    QAction* dashboard = m_menu->addAction(QStringLiteral("打开控制台"));
    connect(dashboard, &QAction::triggered, this, &TrayController::dashboardRequested);
    m_menu->addSeparator();
    QAction* quit = m_menu->addAction(QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &TrayController::quitRequested);
    m_icon->setContextMenu(m_menu.get());

    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit panelToggleRequested(iconGeometry());
    });

    m_bridge->attach(state);
    connect(m_bridge.get(), &StateBridge::changed, this, [this](StateField field) {
        // The texts read the notes and the preferences only. Operations
        // change several fields in a row; the texts are read once they are
        // done (a few milliseconds over ten thousand notes).
        if (field != StateField::notes && field != StateField::preferences)
            return;
        if (m_updateQueued)
            return;
        m_updateQueued = true;
        QMetaObject::invokeMethod(this, [this] {
            m_updateQueued = false;
            updateToolTip();
        }, Qt::QueuedConnection);
    });
    updateToolTip();
}

TrayController::~TrayController()
{
    m_bridge->detach();
    m_icon->hide();
}

bool TrayController::isHostAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::show()
{
    // Shown even without a host: Qt embeds the icon when one appears.
    m_icon->show();
}

QString TrayController::toolTip() const
{
    return m_icon->toolTip();
}

QRect TrayController::iconGeometry() const
{
    return m_icon->geometry();
}

void TrayController::updateToolTip()
{
    QString text = QString::fromStdString(m_state.menuBarStatusTitle()) + QLatin1Char('\n')
        + QString::fromStdString(m_state.menuBarSummaryText());
    if (text != m_icon->toolTip())
        m_icon->setToolTip(text);
}

} // namespace brivet
