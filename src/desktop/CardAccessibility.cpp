#include "desktop/CardAccessibility.h"

#include "desktop/StickyNoteView.h"
#include "ui/AccessibleControls.h"

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

// An icon button, a menu button or a task tick of a card, named by its
// tooltip when it has no name of its own.
class CardButtonAccessible final : public ToolButtonAccessible {
public:
    using ToolButtonAccessible::ToolButtonAccessible;

    QAccessible::Role role() const override { return isTick() ? QAccessible::CheckBox : ToolButtonAccessible::role(); }
    QString text(QAccessible::Text t) const override
    {
        QString text = ToolButtonAccessible::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            return button()->toolTip();
        return text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = ToolButtonAccessible::state();
        if (isTick()) {
            state.checkable = true;
            state.checked = button()->isChecked();
        }
        return state;
    }
    QStringList actionNames() const override
    {
        QStringList names = ToolButtonAccessible::actionNames();
        if (isTick() && button()->isEnabled())
            names.prepend(toggleAction());
        return names;
    }
    void doAction(const QString& name) override
    {
        if (name == toggleAction() && isTick()) {
            if (button()->isEnabled())
                button()->click();
        } else {
            ToolButtonAccessible::doAction(name);
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == pressAction() || name == showMenuAction())
            return shortcutOf(button());
        return ToolButtonAccessible::keyBindingsForAction(name);
    }

private:
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
// read-only one (a calendar note's title) says so and offers no editing.
class CardLineEditAccessible final : public LineEditTextAccessible, public QAccessibleEditableTextInterface {
public:
    using LineEditTextAccessible::LineEditTextAccessible;
    // The text interface's ranges stay the shared ones; only the names and
    // value below are the card's.
    using LineEditTextAccessible::text;

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::EditableTextInterface && !edit()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return LineEditTextAccessible::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Value: return edit()->text();
        case QAccessible::Description:
            if (QString own = LineEditTextAccessible::text(t); !own.isEmpty())
                return own;
            return edit()->placeholderText();
        default: return LineEditTextAccessible::text(t);
        }
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
