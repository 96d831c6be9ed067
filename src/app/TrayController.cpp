#include "app/TrayController.h"

#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QAccessible>
#include <QAccessibleApplication>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QSystemTrayIcon>

namespace brivet {

namespace {

// The tray whose XEmbed icon window assistive tools are asking about. One
// tray per process; the accessibility framework only takes free functions.
QPointer<TrayController>& currentTray()
{
    static QPointer<TrayController> tray;
    return tray;
}

// Qt's window for an icon in an XEmbed tray.
constexpr const char* embeddedIconClass = "QSystemTrayIconSys";

class TrayIconAccessible final : public QAccessibleWidget {
public:
    explicit TrayIconAccessible(QWidget* icon)
        : QAccessibleWidget(icon, QAccessible::Button, QStringLiteral("悬笺"))
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        TrayController* tray = currentTray();
        if (kind == QAccessible::Name)
            return QStringLiteral("悬笺");
        if (kind == QAccessible::Description && tray)
            return tray->statusTitle();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return { pressAction(), showMenuAction() }; }
    void doAction(const QString& name) override
    {
        TrayController* tray = currentTray();
        if (!tray)
            return;
        if (name == pressAction())
            tray->activate();
        else if (name == showMenuAction())
            tray->contextMenu()->popup(tray->iconGeometry().center());
    }
};

// Qt lists under the application's node only the windows it counts as top
// level, and a window embedded into another program's window (as the icon
// is into the tray) is none of them; the icon's own interface names the
// application as its parent all the same. This one lists the icon after
// Qt's windows, so that assistive tools walking down from the application
// reach it.
class ApplicationAccessible final : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + (trayIcon() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override
    {
        int windows = QAccessibleApplication::childCount();
        if (index >= 0 && index < windows)
            return QAccessibleApplication::child(index);
        return index == windows ? trayIcon() : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        QAccessibleInterface* icon = trayIcon();
        if (icon && child == icon)
            return QAccessibleApplication::childCount();
        return QAccessibleApplication::indexOfChild(child);
    }

private:
    static QAccessibleInterface* trayIcon()
    {
        TrayController* tray = currentTray();
        QWidget* window = tray ? tray->embeddedIconWindow() : nullptr;
        return window ? QAccessible::queryAccessibleInterface(window) : nullptr;
    }
};

QAccessibleInterface* trayAccessible(const QString& className, QObject* object)
{
    if (object == QCoreApplication::instance())
        return new ApplicationAccessible;
    auto* widget = qobject_cast<QWidget*>(object);
    if (className == QLatin1String(embeddedIconClass) && widget)
        return new TrayIconAccessible(widget);
    return nullptr;
}

} // namespace

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
            activate();
    });
    installAccessibility();
    currentTray() = this;

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

void TrayController::installAccessibility()
{
    // Adding the same factory again is a no-op.
    QAccessible::installFactory(trayAccessible);
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

QString TrayController::statusTitle() const
{
    return QString::fromStdString(m_state.menuBarStatusTitle());
}

void TrayController::activate()
{
    emit panelToggleRequested(iconGeometry());
}

QWidget* TrayController::embeddedIconWindow() const
{
    // Qt makes the window when a tray takes the icon and drops it when the
    // tray goes; it is looked for again only while there is none.
    if (!m_embeddedIcon) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->inherits(embeddedIconClass)) {
                m_embeddedIcon = window;
                break;
            }
        }
    }
    return m_embeddedIcon && m_embeddedIcon->isVisible() ? m_embeddedIcon.data() : nullptr;
}

QRect TrayController::iconGeometry() const
{
    return m_icon->geometry();
}

void TrayController::updateToolTip()
{
    QString text = QString::fromStdString(m_state.menuBarStatusTitle()) + QLatin1Char('\n')
        + QString::fromStdString(m_state.menuBarSummaryText());
    if (text == m_icon->toolTip())
        return;
    m_icon->setToolTip(text);
    // Assistive tools hear of the new description of the icon window.
    if (!QAccessible::isActive())
        return;
    if (QWidget* window = embeddedIconWindow()) {
        QAccessibleEvent event(window, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace brivet
