#include "dashboard/DashboardAccessibility.h"

#include "dashboard/DashboardMenuButton.h"
#include "dashboard/NoteListModel.h"
#include "dashboard/NoteListView.h"
#include "ui/AccessibleControls.h"
#include "ui/QtConversions.h"

#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace brivet {

namespace {

// The parts every painted node of a note list shares: no object of its
// own, geometry and focus read from the view at each call.
class PaintedNode : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PaintedNode(NoteListView* view, int row)
        : m_view(view)
        , m_row(row)
    {
    }

    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override { }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

protected:
    NoteListRow content() const { return m_view ? m_view->noteModel()->rowContent(m_row) : NoteListRow {}; }
    bool rowExists() const { return m_view && m_row < m_view->noteModel()->rowCount(); }
    bool isCurrent() const { return m_view && m_view->currentIndex().row() == m_row; }
    QRect toScreen(const QRect& local) const
    {
        return local.isNull() ? QRect() : QRect(m_view->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QPointer<NoteListView> m_view;
    int m_row;
};

class RowButtonAccessible final : public PaintedNode {
public:
    RowButtonAccessible(NoteListView* view, int row, int slot)
        : PaintedNode(view, row)
        , m_slot(slot)
    {
    }

    bool isValid() const override { return rowExists() && std::size_t(m_slot) < content().buttons.size(); }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        std::optional<NoteListRow::Button> shown = button();
        if (!shown)
            return {};
        if (t == QAccessible::Name)
            return qs(shown->title);
        if (t == QAccessible::Description)
            return qs(content().title);
        return {};
    }
    QRect rect() const override
    {
        std::optional<NoteListRow::Button> shown = button();
        return shown ? toScreen(m_view->buttonRect(m_row, shown->action)) : QRect();
    }
    QAccessible::Role role() const override
    {
        std::optional<NoteListRow::Button> shown = button();
        return shown && shown->action == NoteListRow::Action::addToBoard ? QAccessible::ButtonMenu : QAccessible::Button;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        std::optional<NoteListRow::Button> shown = button();
        if (!shown) {
            state.invalid = true;
            return state;
        }
        state.disabled = !shown->enabled;
        state.focusable = shown->enabled;
        state.focused = isCurrent() && m_view->hasFocus() && m_view->focusedButton() == shown->action;
        state.hasPopup = shown->action == NoteListRow::Action::addToBoard;
        state.offscreen = rect().isNull();
        return state;
    }

    QStringList actionNames() const override
    {
        std::optional<NoteListRow::Button> shown = button();
        if (!shown || !shown->enabled)
            return {};
        if (shown->action == NoteListRow::Action::addToBoard)
            return { pressAction(), showMenuAction() };
        return { pressAction() };
    }
    void doAction(const QString& name) override
    {
        std::optional<NoteListRow::Button> shown = button();
        if (!shown || !actionNames().contains(name))
            return;
        if (shown->action == NoteListRow::Action::addToBoard) {
            // The menu runs its own event loop; opened on the next turn,
            // so the screen reader's call returns first.
            QPointer<NoteListView> view = m_view;
            int row = m_row;
            QMetaObject::invokeMethod(
                view, [view, row] { view->activate(row, NoteListRow::Action::addToBoard); }, Qt::QueuedConnection);
            return;
        }
        m_view->activate(m_row, shown->action);
    }

private:
    std::optional<NoteListRow::Button> button() const
    {
        if (!rowExists())
            return std::nullopt;
        NoteListRow row = content();
        if (std::size_t(m_slot) >= row.buttons.size())
            return std::nullopt;
        return row.buttons[std::size_t(m_slot)];
    }

    int m_slot;
};

class NoteRowAccessible final : public PaintedNode {
public:
    // A row has at most four buttons.
    static constexpr int maximumButtons = 4;

    NoteRowAccessible(NoteListView* view, int row)
        : PaintedNode(view, row)
    {
        for (int slot = 0; slot < maximumButtons; ++slot)
            m_buttons.append(new RowButtonAccessible(view, row, slot));
    }

    bool isValid() const override { return rowExists(); }
    QAccessibleInterface* parent() const override { return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr; }
    int childCount() const override { return isValid() ? std::min(int(content().buttons.size()), maximumButtons) : 0; }
    QAccessibleInterface* child(int index) const override { return index < childCount() ? m_buttons.at(index) : nullptr; }
    int indexOfChild(const QAccessibleInterface* child) const override { return m_buttons.indexOf(child, childCount()); }
    QAccessibleInterface* childAt(int x, int y) const override { return childAtPoint(this, x, y); }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        // Title, then what the tags and the subtitle say.
        NoteListRow row = content();
        QStringList parts { qs(row.title) };
        for (const NoteListRow::Tag& tag : row.tags)
            if (!tag.text.empty())
                parts << qs(tag.text);
        if (!row.subtitle.empty())
            parts << qs(row.subtitle);
        return parts.join(QStringLiteral("，"));
    }
    QRect rect() const override
    {
        return isValid() ? toScreen(m_view->visualRect(m_view->noteModel()->index(m_row))) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.selectable = true;
        state.selected = isCurrent();
        state.active = isCurrent();
        state.focused = isCurrent() && m_view->hasFocus() && !m_view->focusedButton();
        state.invisible = !m_view->isVisible();
        return state;
    }
    // Pressing a row does what a double click or Enter on it does.
    QStringList actionNames() const override { return isValid() ? QStringList { pressAction() } : QStringList {}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid())
            m_view->openRow(m_row);
    }

private:
    RegisteredInterfaces m_buttons;
};

QAccessibleInterface* RowButtonAccessible::parent() const
{
    QAccessibleInterface* list = m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
    return list ? list->child(m_row) : nullptr;
}

class NoteListAccessible final : public QAccessibleWidget {
public:
    explicit NoteListAccessible(NoteListView* view)
        : QAccessibleWidget(view, QAccessible::List)
    {
    }

    int childCount() const override { return view()->noteModel()->rowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        // Rows stand for places in the list; each reads its note afresh.
        while (m_rows.size() <= index)
            m_rows.append(new NoteRowAccessible(view(), m_rows.size()));
        return m_rows.at(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override { return m_rows.indexOf(child, childCount()); }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        QModelIndex index = view()->indexAt(local);
        return index.isValid() ? child(index.row()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        QAccessibleInterface* row = view()->hasFocus() ? child(view()->currentIndex().row()) : nullptr;
        if (!row)
            return nullptr;
        for (int i = 0; i < row->childCount(); ++i)
            if (QAccessibleInterface* button = row->child(i); button && button->state().focused)
                return button;
        return row;
    }

private:
    NoteListView* view() const { return static_cast<NoteListView*>(widget()); }

    mutable RegisteredInterfaces m_rows;
};

// A picker named by its accessible name or its label's text, its value the
// current choice: Qt's own reads a combo box on Linux by the value alone,
// which leaves the setting unsaid.
class NamedComboBoxAccessible final : public QAccessibleWidget {
public:
    explicit NamedComboBoxAccessible(QComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? box()->currentText() : text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.expandable = true;
        state.expanded = box()->view() && box()->view()->isVisible();
        return state;
    }
    QStringList actionNames() const override
    {
        if (!box()->isEnabled())
            return {};
        return { showMenuAction(), pressAction() };
    }
    void doAction(const QString& name) override
    {
        if (box()->isEnabled() && (name == showMenuAction() || name == pressAction()))
            box()->showPopup();
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

// A button that opens a menu: read as a menu button, expanded while its
// menu is open; Press and ShowMenu both open it, its first entry
// highlighted for the arrows.
class MenuButtonAccessible final : public QAccessibleWidget {
public:
    explicit MenuButtonAccessible(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::ButtonMenu)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = button()->text().remove(QLatin1Char('&'));
        return text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.pressed = button()->isDown();
        state.expanded = openMenu(button()) != nullptr;
        return state;
    }
    QStringList actionNames() const override
    {
        if (!button()->isEnabled())
            return {};
        return { showMenuAction(), pressAction() };
    }
    void doAction(const QString& name) override
    {
        if (actionNames().contains(name))
            showButtonMenu(button(), MenuHighlight::firstEntry);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// A line edit that shows a text it will not take (a calendar event's
// title): read as read-only and not editable, which Qt's own line edit
// interface reports as editable whatever the field allows. Its text, the
// caret and the selection read as in any line edit.
class ReadOnlyLineEditAccessible final : public LineEditTextAccessible {
public:
    using LineEditTextAccessible::LineEditTextAccessible;
    using LineEditTextAccessible::text;

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return shownText();
        QString text = LineEditTextAccessible::text(t);
        return t == QAccessible::Name && text.isEmpty() ? edit()->placeholderText() : text;
    }
};

QAccessibleInterface* dashboardFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("brivet::NoteListView"))
        if (auto* view = qobject_cast<NoteListView*>(object))
            return new NoteListAccessible(view);
    // The interface is made at the picker's first event, before it has a
    // name or a label: every plain picker gets this one. An editable one,
    // whose text field is a child, keeps Qt's.
    if (isMenuButton(object))
        return new MenuButtonAccessible(static_cast<QAbstractButton*>(object));
    // Made for a field read-only when first asked about; one that becomes
    // read-only later is given this one by readAsReadOnly.
    if (auto* edit = qobject_cast<QLineEdit*>(object); edit && edit->isReadOnly())
        return new ReadOnlyLineEditAccessible(edit);
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object); box && !box->isEditable())
            return new NamedComboBoxAccessible(box);
    return nullptr;
}

} // namespace

void installDashboardAccessibility()
{
    QAccessible::installFactory(&dashboardFactory);
}

} // namespace brivet

namespace brivet {

void readAsReadOnly(QLineEdit* edit)
{
    if (!edit->isReadOnly())
        return;
    // Qt's interface, made while the field was editable, stays with it
    // until removed; the next one asked for is ours.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(edit);
        made && !dynamic_cast<ReadOnlyLineEditAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void announceName(QWidget* widget, const QString& name)
{
    if (widget->accessibleName() == name)
        return;
    widget->setAccessibleName(name);
    QAccessibleEvent changed(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace brivet
