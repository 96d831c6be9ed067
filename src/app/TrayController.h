#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace brivet {

class AppState;
class StateBridge;

// The tray item: the app icon, a tooltip of the status title over the
// summary that follows every state change, a left click for the panel and
// a context menu with "打开控制台" and "退出". Qt serves it as a
// StatusNotifierItem where a host is registered and through the XEmbed
// tray otherwise; when no host exists yet the icon appears once one does,
// and again after a host went away and came back.
// In the XEmbed tray the icon is a window of ours, listed among the
// application's windows to assistive tools, which read it as a button
// named "悬笺", described by the status title, whose press opens the panel
// and whose menu action opens the context menu. A StatusNotifierItem is no
// window of ours, and nothing of it is in the application's tree: the host
// that shows it speaks for it, and what a screen reader gets there is the
// host's own rendering of the item's title (Qt gives it the application's
// name, "Brivet": naming the application "悬笺" for it would add that to
// every window title) and its tooltip (the status title over the summary),
// with activation and the menu as the host offers them.
class TrayController final : public QObject {
    Q_OBJECT
public:
    // `icon` null: a generic icon from the style stands in.
    TrayController(AppState& state, const QIcon& icon, QObject* parent = nullptr);
    ~TrayController() override;

    // Lets assistive tools reach the icon and read it as above. Cheap (one
    // factory); must come before anything asks for the application's
    // accessible interface, which Qt keeps once made: right after the
    // QApplication.
    static void installAccessibility();
    // True when a tray host is there to show the icon now.
    static bool isHostAvailable();
    void show();

    // "<status title>\n<summary>".
    QString toolTip() const;
    // The icon's place on the screen; empty where the host does not say.
    QRect iconGeometry() const;
    QMenu* contextMenu() const { return m_menu.get(); }
    // The status title, which assistive tools read as the icon's
    // description.
    QString statusTitle() const;
    // The icon's window while an XEmbed tray holds it, else null.
    QWidget* embeddedIconWindow() const;
    // What a left click on the icon does: asks for the panel.
    void activate();

signals:
    // Left click: open or close the panel next to `anchor`.
    void panelToggleRequested(const QRect& anchor);
    void dashboardRequested();
    void quitRequested();

private:
    void updateToolTip();

    AppState& m_state;
    std::unique_ptr<StateBridge> m_bridge;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    mutable QPointer<QWidget> m_embeddedIcon;
    bool m_updateQueued = false;
};

} // namespace brivet
