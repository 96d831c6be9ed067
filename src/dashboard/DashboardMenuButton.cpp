#include "dashboard/DashboardMenuButton.h"

#include "ui/NoteSizePresetMenu.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

namespace brivet {

namespace {

// Lives on the button as a child: what makes its menu and the one open.
class MenuOpener final : public QObject {
public:
    MenuOpener(QAbstractButton* button, std::function<QMenu*(QWidget*)> makeMenu)
        : QObject(button)
        , m_button(button)
        , m_makeMenu(std::move(makeMenu))
    {
        button->installEventFilter(this);
        connect(button, &QAbstractButton::clicked, this, [this] { open(MenuHighlight::none); });
    }

    QMenu* menu() const { return m_menu && m_menu->isVisible() ? m_menu.data() : nullptr; }

    void open(MenuHighlight highlight)
    {
        if ((m_menu && m_menu->isVisible()) || !m_button->isEnabled())
            return;
        QMenu* menu = m_makeMenu(m_button);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        m_menu = menu;
        // The button reads as expanded while its menu is open.
        connect(menu, &QMenu::aboutToHide, this, [this] { announceExpanded(); });
        menu->popup(m_button->mapToGlobal(QPoint(0, m_button->height() + 4)));
        if (highlight == MenuHighlight::firstEntry && !menu->actions().isEmpty())
            menu->setActiveAction(menu->actions().first());
        announceExpanded();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_button || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Down:
            // Space too: the button's own Space would open it as a click,
            // with nothing highlighted.
            if (!key->isAutoRepeat())
                open(MenuHighlight::firstEntry);
            return true;
        default: return false;
        }
    }

private:
    void announceExpanded()
    {
        QAccessible::State changed;
        changed.expanded = true;
        QAccessibleStateChangeEvent event(m_button, changed);
        QAccessible::updateAccessibility(&event);
    }

    QAbstractButton* m_button;
    std::function<QMenu*(QWidget*)> m_makeMenu;
    QPointer<QMenu> m_menu;
};

MenuOpener* openerOf(const QObject* button)
{
    // Not findChild: the opener has no meta-object of its own, so that
    // would take the first child of any kind (the open menu) for it.
    if (!button)
        return nullptr;
    for (QObject* child : button->children()) {
        if (auto* opener = dynamic_cast<MenuOpener*>(child))
            return opener;
    }
    return nullptr;
}

} // namespace

void makeMenuButton(QAbstractButton* button, std::function<QMenu*(QWidget* parent)> makeMenu)
{
    if (openerOf(button))
        return;
    new MenuOpener(button, std::move(makeMenu));
    // An interface made before (at the button's first event) reads it as a
    // plain button; the next one asked for reads it as a menu button.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(button);
        made && made->role() != QAccessible::ButtonMenu)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void makeSizeMenuButton(QAbstractButton* button, std::function<void(NoteSizePreset)> choose)
{
    makeMenuButton(button, [choose](QWidget* parent) {
        auto* menu = new NoteSizePresetMenu(parent);
        QObject::connect(menu, &NoteSizePresetMenu::presetChosen, parent, [choose](NoteSizePreset size) { choose(size); });
        return menu;
    });
}

bool isMenuButton(const QObject* object)
{
    return qobject_cast<const QAbstractButton*>(object) && openerOf(object);
}

QMenu* openMenu(const QAbstractButton* button)
{
    MenuOpener* opener = openerOf(button);
    return opener ? opener->menu() : nullptr;
}

void showButtonMenu(QAbstractButton* button, MenuHighlight highlight)
{
    if (MenuOpener* opener = openerOf(button))
        opener->open(highlight);
}

} // namespace brivet
