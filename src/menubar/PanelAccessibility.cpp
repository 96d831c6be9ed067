#include "menubar/PanelAccessibility.h"

#include "menubar/MenuBarQuickActionRow.h"
#include "menubar/PanelButton.h"
#include "menubar/SizeSubmenuView.h"
#include "model/StickyNote.h"
#include "ui/AccessibleControls.h"
#include "ui/QtConversions.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMenu>

namespace brivet {

namespace {

class QuickActionRowAccessible final : public QAccessibleWidget {
public:
    explicit QuickActionRowAccessible(MenuBarQuickActionRow* row)
        : QAccessibleWidget(row, hasSizeSubmenu(row->action()) ? QAccessible::ButtonMenu : QAccessible::Button)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = hasSizeSubmenu(row()->action());
        return state;
    }
    QStringList actionNames() const override
    {
        QStringList names { pressAction() };
        if (hasSizeSubmenu(row()->action()))
            names << showMenuAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() || (name == showMenuAction() && hasSizeSubmenu(row()->action())))
            row()->activate();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    MenuBarQuickActionRow* row() const { return static_cast<MenuBarQuickActionRow*>(widget()); }
};

// One entry of the size submenu: painted by the view, so it has no widget
// of its own.
class SizeEntryAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SizeEntryAccessible(SizeSubmenuView* view, NoteSizePreset preset)
        : m_view(view)
        , m_preset(preset)
    {
    }

    bool isValid() const override { return m_view != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view->windowHandle(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? qs(menuLabel(m_preset)) : QString(); }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        QRect entry = m_view->entryGeometry(m_preset);
        return QRect(m_view->mapToGlobal(entry.topLeft()), entry.size());
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !m_view->isVisible();
        state.focusable = true;
        state.selectable = true;
        bool current = m_view->hoveredPreset() == m_preset;
        state.focused = current;
        state.selected = current;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return { pressAction() }; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            m_view->choose(m_preset);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    SizeSubmenuView* m_view;
    NoteSizePreset m_preset;
};

class SizeSubmenuAccessible final : public QAccessibleWidget {
public:
    explicit SizeSubmenuAccessible(SizeSubmenuView* view)
        : QAccessibleWidget(view, QAccessible::PopupMenu)
    {
        for (NoteSizePreset preset : allCases<NoteSizePreset>())
            m_entries.append(new SizeEntryAccessible(view, preset));
    }

    int childCount() const override { return m_entries.size(); }
    QAccessibleInterface* child(int index) const override { return m_entries.at(index); }
    int indexOfChild(const QAccessibleInterface* child) const override { return m_entries.indexOf(child, childCount()); }
    QAccessibleInterface* childAt(int x, int y) const override { return childAtPoint(this, x, y); }
    QAccessibleInterface* focusChild() const override { return focusedChild(this); }

private:
    RegisteredInterfaces m_entries;
};

QAccessibleInterface* panelFactory(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("brivet::MenuBarQuickActionRow"))
        return new QuickActionRowAccessible(static_cast<MenuBarQuickActionRow*>(widget));
    // A button of a card or row; with a menu, pressing it opens the menu.
    if (className == QLatin1String("brivet::PanelButton"))
        return new ToolButtonAccessible(static_cast<PanelButton*>(widget));
    if (className == QLatin1String("brivet::SizeSubmenuView"))
        return new SizeSubmenuAccessible(static_cast<SizeSubmenuView*>(widget));
    if (className == QLatin1String("brivet::MenuBarContentView"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String("brivet::MenuBarPrimaryExecutionCard")
        || className == QLatin1String("brivet::MenuBarEmptyExecutionCard")
        || className == QLatin1String("brivet::MenuBarExecutionRow")
        || className == QLatin1String("brivet::MenuBarSceneBoardRow"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installPanelAccessibility()
{
    QAccessible::installFactory(&panelFactory);
}

} // namespace brivet
