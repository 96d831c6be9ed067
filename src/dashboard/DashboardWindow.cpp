#include "dashboard/DashboardWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace brivet {

DashboardWindow::DashboardWindow(AppState& state, Scheduler& scheduler, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_state(state)
    , m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("dashboard"));
    setWindowTitle(QStringLiteral("悬笺控制台"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setMinimumSize(minimumContentSize);
    resize(defaultContentSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* placeholder = new QLabel(QStringLiteral("悬笺控制台"), this);
    placeholder->setObjectName(QStringLiteral("dashboardPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    setContent(placeholder);
}

DashboardWindow::~DashboardWindow() = default;

void DashboardWindow::present()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void DashboardWindow::setContent(QWidget* content)
{
    if (!content || content == m_content)
        return;
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    content->setParent(this);
    layout()->addWidget(content);
    content->show();
}

} // namespace brivet
