#include "desktop/CardAccessibility.h"

#include "desktop/StickyNoteView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace brivet {

namespace {

constexpr const char* taskTickProperty = "cardTaskTick";
constexpr const char* shortcutProperty = "cardShortcut";

bool onCard(const QWidget* widget)
{
    for (const QWidget* at = widget; at; at = at->parentWidget())
        if (qobject_cast<const StickyNoteView*>(at))
            return true;
    return false;
}

QStringList shortcutOf(const QWidget* widget)
{
    QString keys = widget->property(shortcutProperty).toString();
    return keys.isEmpty() ? QStringList() : QStringList { keys };
}

// An icon button, a menu button or a task tick of a card.
class CardButtonAccessible final : public QAccessibleWidget {
public:
    explicit CardButtonAccessible(QToolButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QAccessible::Role role() const override
    {
        if (isTick())
            return QAccessible::CheckBox;
        return button()->menu() ? QAccessible::ButtonMenu : QAccessible::Button;
    }
    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            return button()->toolTip();
        return text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = button()->menu() != nullptr;
        state.pressed = button()->isDown();
        if (isTick()) {
            state.checkable = true;
            state.checked = button()->isChecked();
        }
        return state;
    }
    QStringList actionNames() const override
    {
        if (!button()->isEnabled())
            return QAccessibleWidget::actionNames();
        QStringList names;
        if (isTick())
            names << toggleAction();
        names << pressAction();
        if (button()->menu())
            names << showMenuAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (!button()->isEnabled())
            return;
        if (button()->menu() && (name == pressAction() || name == showMenuAction())) {
            // The menu runs its own event loop; it opens on the next turn,
            // so the screen reader's call returns first.
            QMetaObject::invokeMethod(button(), &QToolButton::showMenu, Qt::QueuedConnection);
        } else if (name == pressAction() || (name == toggleAction() && isTick())) {
            button()->click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == pressAction() || name == showMenuAction())
            return shortcutOf(button());
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
    bool isTick() const { return button()->property(taskTickProperty).toBool(); }
};

// A card's text shown as a label (the board's title): text a screen reader
// can read but never edit.
class CardLabelAccessible final : public QAccessibleWidget {
public:
    explicit CardLabelAccessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.editable = false;
        return state;
    }
};

// A one-line field of a card, with its text for the screen reader; a
// read-only one (a calendar note's title) says so and offers no editing,
// which the toolkit's own interface does not tell apart.
class CardLineEditAccessible final : public QAccessibleWidget,
                                     public QAccessibleTextInterface,
                                     public QAccessibleEditableTextInterface {
public:
    explicit CardLineEditAccessible(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface && !edit()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Value: return edit()->text();
        case QAccessible::Description:
            if (QString own = QAccessibleWidget::text(t); !own.isEmpty())
                return own;
            return edit()->placeholderText();
        default: return QAccessibleWidget::text(t);
        }
    }
    void setText(QAccessible::Text t, const QString& text) override
    {
        if (t == QAccessible::Value && !edit()->isReadOnly())
            edit()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = edit()->isReadOnly();
        state.editable = !edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    // Text interface.
    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index == 0 && edit()->hasSelectedText()) {
            *start = edit()->selectionStart();
            *end = edit()->selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { edit()->deselect(); }
    void setSelection(int, int start, int end) override { edit()->setSelection(start, end - start); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int start, int end) const override { return edit()->text().mid(start, end - start); }
    int characterCount() const override { return int(edit()->text().size()); }
    QRect characterRect(int) const override
    {
        QRect cursor = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return QRect(edit()->mapToGlobal(cursor.topLeft()), cursor.size());
    }
    int offsetAtPoint(const QPoint&) const override { return edit()->cursorPosition(); }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

    // Editable text interface (editable fields only).
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override
    {
        if (edit()->isReadOnly())
            return;
        edit()->setSelection(start, end - start);
        edit()->insert(text);
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* cardFactory(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !onCard(widget))
        return nullptr;
    if (className == QLatin1String("QToolButton"))
        return new CardButtonAccessible(static_cast<QToolButton*>(widget));
    if (className == QLatin1String("brivet::ElidingLabel"))
        return new CardLabelAccessible(static_cast<QLabel*>(widget));
    if (className == QLatin1String("brivet::BoundLineEdit"))
        return new CardLineEditAccessible(static_cast<QLineEdit*>(widget));
    if (className == QLatin1String("QWidget") && widget->objectName() == QLatin1String("taskRow"))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installCardAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&cardFactory);
}

void markTaskTick(QWidget* button)
{
    button->setProperty(taskTickProperty, true);
}

void setControlShortcut(QWidget* control, const QString& tip, const QString& keys)
{
    control->setProperty(shortcutProperty, keys);
    control->setToolTip(QStringLiteral("%1（%2）").arg(tip, keys));
}

} // namespace brivet
