#include "ui/AccessibleControls.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

namespace brivet {

ToolButtonAccessible::ToolButtonAccessible(QToolButton* button)
    : QAccessibleWidget(button, button->menu() ? QAccessible::ButtonMenu : QAccessible::Button)
{
}

QAccessible::Role ToolButtonAccessible::role() const
{
    return button()->menu() ? QAccessible::ButtonMenu : QAccessible::Button;
}

QAccessible::State ToolButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.hasPopup = button()->menu() != nullptr;
    state.pressed = button()->isDown();
    return state;
}

QStringList ToolButtonAccessible::actionNames() const
{
    if (!button()->isEnabled())
        return QAccessibleWidget::actionNames();
    QStringList names { pressAction() };
    if (button()->menu())
        names << showMenuAction();
    return names + QAccessibleWidget::actionNames();
}

void ToolButtonAccessible::doAction(const QString& name)
{
    if (!button()->isEnabled())
        return;
    if (button()->menu() && (name == pressAction() || name == showMenuAction())) {
        // Opened on the next turn, so the screen reader's call returns
        // before the menu's event loop starts.
        QMetaObject::invokeMethod(button(), &QToolButton::showMenu, Qt::QueuedConnection);
    } else if (name == pressAction()) {
        button()->click();
    } else {
        QAccessibleWidget::doAction(name);
    }
}

QToolButton* ToolButtonAccessible::button() const
{
    return static_cast<QToolButton*>(widget());
}

LineEditTextAccessible::LineEditTextAccessible(QLineEdit* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText)
{
}

void* LineEditTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void LineEditTextAccessible::setText(QAccessible::Text t, const QString& text)
{
    if (t == QAccessible::Value && !edit()->isReadOnly())
        edit()->setText(text);
    else if (t != QAccessible::Value)
        QAccessibleWidget::setText(t, text);
}

QAccessible::State LineEditTextAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = edit()->isReadOnly();
    state.editable = !edit()->isReadOnly();
    state.selectableText = true;
    state.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
    return state;
}

void LineEditTextAccessible::selection(int index, int* start, int* end) const
{
    *start = *end = 0;
    if (index != 0 || !edit()->hasSelectedText())
        return;
    *start = edit()->selectionStart();
    *end = edit()->selectionEnd();
}

int LineEditTextAccessible::selectionCount() const
{
    return edit()->hasSelectedText() ? 1 : 0;
}

void LineEditTextAccessible::addSelection(int start, int end)
{
    setSelection(0, start, end);
}

void LineEditTextAccessible::removeSelection(int index)
{
    if (index == 0)
        edit()->deselect();
}

void LineEditTextAccessible::setSelection(int index, int start, int end)
{
    if (index == 0)
        edit()->setSelection(start, end - start);
}

int LineEditTextAccessible::cursorPosition() const
{
    return edit()->cursorPosition();
}

void LineEditTextAccessible::setCursorPosition(int position)
{
    edit()->setCursorPosition(position);
}

QString LineEditTextAccessible::text(int start, int end) const
{
    return start < 0 || end < start ? QString() : shownText().mid(start, end - start);
}

int LineEditTextAccessible::characterCount() const
{
    return int(shownText().size());
}

QString LineEditTextAccessible::attributes(int offset, int* start, int* end) const
{
    *start = *end = offset;
    return {};
}

QRect LineEditTextAccessible::characterRect(int offset) const
{
    QString shown = shownText();
    if (offset < 0 || offset >= shown.size())
        return {};
    QFontMetrics metrics(edit()->font());
    QRect contents = edit()->contentsRect().marginsRemoved(edit()->textMargins());
    int x = contents.left() + metrics.horizontalAdvance(shown.left(offset));
    int y = contents.top() + (contents.height() - metrics.height()) / 2;
    QRect local(x, y, metrics.horizontalAdvance(shown.at(offset)), metrics.height());
    return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
}

int LineEditTextAccessible::offsetAtPoint(const QPoint& point) const
{
    return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
}

void LineEditTextAccessible::scrollToSubstring(int start, int end)
{
    edit()->setCursorPosition(end);
    edit()->setCursorPosition(start);
}

QLineEdit* LineEditTextAccessible::edit() const
{
    return static_cast<QLineEdit*>(widget());
}

QString LineEditTextAccessible::shownText() const
{
    return edit()->echoMode() == QLineEdit::Normal ? edit()->text() : edit()->displayText();
}

RegisteredInterfaces::~RegisteredInterfaces()
{
    for (QAccessible::Id id : m_ids)
        QAccessible::deleteAccessibleInterface(id);
}

void RegisteredInterfaces::append(QAccessibleInterface* made)
{
    m_ids.push_back(QAccessible::registerAccessibleInterface(made));
}

QAccessibleInterface* RegisteredInterfaces::at(int index) const
{
    return index >= 0 && index < size() ? QAccessible::accessibleInterface(m_ids[std::size_t(index)]) : nullptr;
}

int RegisteredInterfaces::indexOf(const QAccessibleInterface* child, int count) const
{
    for (int i = 0; i < std::min(count, size()); ++i)
        if (at(i) == child)
            return i;
    return -1;
}

QAccessibleInterface* childAtPoint(const QAccessibleInterface* parent, int x, int y)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (QAccessibleInterface* child = parent->child(i); child && child->rect().contains(x, y))
            return child;
    return nullptr;
}

QAccessibleInterface* focusedChild(const QAccessibleInterface* parent)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (QAccessibleInterface* child = parent->child(i); child && child->state().focused)
            return child;
    return nullptr;
}

} // namespace brivet
