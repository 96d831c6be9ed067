#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

#include <vector>

class QLineEdit;
class QToolButton;

namespace brivet {

// A tool button to assistive tools: a button, or a menu button with a
// popup when it has a menu; pressed while held down. "Press" does what a
// click does; with a menu, "Press" and "ShowMenu" open it after the call
// returns (the menu runs its own event loop, which would otherwise block
// the screen reader's call). A disabled button offers neither.
class ToolButtonAccessible : public QAccessibleWidget {
public:
    explicit ToolButtonAccessible(QToolButton* button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& name) override;

protected:
    QToolButton* button() const;
};

// A one-line field's text, caret and selection to assistive tools, with a
// read-only field reported read-only and not editable (the toolkit's own
// interface reports a line edit editable whatever it allows). Nothing set
// through here reaches a read-only field. A password field is read as
// what it shows. Where the characters stand on screen is left to the
// subclass, as is any editing interface.
class LineEditTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LineEditTextAccessible(QLineEdit* edit);

    void* interface_cast(QAccessible::InterfaceType type) override;
    void setText(QAccessible::Text t, const QString& text) override;
    QAccessible::State state() const override;

    void selection(int index, int* start, int* end) const override;
    int selectionCount() const override;
    void addSelection(int start, int end) override;
    void removeSelection(int index) override;
    void setSelection(int index, int start, int end) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int start, int end) const override;
    int characterCount() const override;
    QString attributes(int offset, int* start, int* end) const override;
    // From the font: the field shows its text from the start (a long one
    // scrolls only as the caret moves), which this does not follow.
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int start, int end) override;

    // The value and names stay the widget's; only the text overloads above
    // are this interface's own.
    using QAccessibleWidget::text;

protected:
    QLineEdit* edit() const;
    // The field's text as shown: a password's mask, never the password.
    QString shownText() const;
};

// Accessible interfaces of things without a widget of their own (painted
// rows, menu entries), registered in the toolkit's cache so that assistive
// tools can hold them by id. The cache owns them; they are removed from it,
// which deletes them, when this list goes (a no-op for any the cache ended
// first, at exit).
class RegisteredInterfaces {
public:
    RegisteredInterfaces() = default;
    ~RegisteredInterfaces();
    RegisteredInterfaces(const RegisteredInterfaces&) = delete;
    RegisteredInterfaces& operator=(const RegisteredInterfaces&) = delete;

    // Registers `made` at the end of the list.
    void append(QAccessibleInterface* made);
    int size() const { return int(m_ids.size()); }
    // The interface at `index`; null outside the list.
    QAccessibleInterface* at(int index) const;
    // Where `child` stands among the first `count` of the list; -1 if not
    // there.
    int indexOf(const QAccessibleInterface* child, int count) const;

private:
    std::vector<QAccessible::Id> m_ids;
};

// The first of `parent`'s children whose rectangle on screen holds (x, y);
// null if none does.
QAccessibleInterface* childAtPoint(const QAccessibleInterface* parent, int x, int y);
// The first of `parent`'s children that has the focus; null if none has.
QAccessibleInterface* focusedChild(const QAccessibleInterface* parent);

} // namespace brivet
