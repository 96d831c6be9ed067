#include "ui/BoundTextInputs.h"

#include <QFocusEvent>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>

namespace brivet {

namespace {

template<typename Input>
void focusSoon(Input* input)
{
    QPointer<Input> guarded(input);
    QMetaObject::invokeMethod(
        input,
        [guarded] {
            if (guarded && guarded->window() && guarded->isVisible())
                guarded->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

} // namespace

BoundLineEdit::BoundLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
    connect(this, &QLineEdit::textEdited, this, &BoundLineEdit::edited);
    connect(this, &QLineEdit::returnPressed, this, &BoundLineEdit::submitted);
}

void BoundLineEdit::setBoundText(const QString& value)
{
    if (text() != value && !isEditing()) {
        setText(value);
        // A text too long for the field shows its beginning, not its end.
        setCursorPosition(0);
    }
    maybeAutofocus();
}

void BoundLineEdit::setEditable(bool editable)
{
    // Stays enabled and selectable either way.
    setReadOnly(!editable);
    maybeAutofocus();
}

void BoundLineEdit::setAutofocus(bool autofocus)
{
    m_autofocus = autofocus;
    maybeAutofocus();
}

void BoundLineEdit::maybeAutofocus()
{
    if (!m_autofocus || m_didAutofocus || isReadOnly())
        return;
    m_didAutofocus = true;
    focusSoon(this);
}

void BoundLineEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focusChanged(true);
}

void BoundLineEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Popups (context menu) keep editing alive.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    // Once editing ends the beginning of the text comes back into view.
    setCursorPosition(0);
    emit focusChanged(false);
}

BoundPlainTextEdit::BoundPlainTextEdit(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(true);
    // Tab moves on to the next control: a tab character is rarely wanted in
    // a note, and would trap keyboard users in the field.
    setTabChangesFocus(true);
    document()->setDocumentMargin(0);
    setViewportMargins(0, 8, 0, 8);
    setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; border: none; }"));
    viewport()->setAutoFillBackground(false);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_applying)
            emit edited(toPlainText());
    });
}

void BoundPlainTextEdit::setBoundText(const QString& value)
{
    if (!isEditing() && toPlainText() != value) {
        m_applying = true;
        setPlainText(value);
        m_applying = false;
    }
    maybeAutofocus();
}

void BoundPlainTextEdit::setEditable(bool editable)
{
    setReadOnly(!editable);
    setTextInteractionFlags(editable ? Qt::TextEditorInteraction : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    maybeAutofocus();
}

void BoundPlainTextEdit::setAutofocus(bool autofocus)
{
    m_autofocus = autofocus;
    maybeAutofocus();
}

void BoundPlainTextEdit::maybeAutofocus()
{
    if (!m_autofocus || m_didAutofocus || isReadOnly())
        return;
    m_didAutofocus = true;
    focusSoon(this);
}

void BoundPlainTextEdit::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    emit focusChanged(true);
}

void BoundPlainTextEdit::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    emit focusChanged(false);
}

bool BoundPlainTextEdit::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void BoundPlainTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText())
        textCursor().insertText(source->text());
}

} // namespace brivet
