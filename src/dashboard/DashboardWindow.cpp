#include "dashboard/DashboardWindow.h"

#include "dashboard/DashboardView.h"

#include <QCloseEvent>
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

void DashboardWindow::showEvent(QShowEvent* event)
{
    if (!m_content)
        setContent(new DashboardView(m_state, m_scheduler));
    QWidget::showEvent(event);
}

void DashboardWindow::closeEvent(QCloseEvent* event)
{
    // Half an edit is never written: the draft goes with the window.
    if (auto* view = qobject_cast<DashboardView*>(m_content))
        view->discardDraft();
    QWidget::closeEvent(event);
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
