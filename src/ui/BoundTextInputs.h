#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

namespace brivet {

// A borderless QLineEdit bound to a string: the bound value replaces the
// text only while the user is not editing, so typing is never disturbed;
// it can take focus by itself once it becomes editable. While it is not
// being edited a text longer than the field shows its beginning.
class BoundLineEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit BoundLineEdit(QWidget* parent = nullptr);

    // Applies the bound value (ignored while editing) and editability.
    void setBoundText(const QString& text);
    void setEditable(bool editable);
    // Takes keyboard focus once, on the next turn of the event loop after
    // the first update in which the field is editable.
    void setAutofocus(bool autofocus);
    bool isEditing() const { return hasFocus(); }

signals:
    // The user changed the text.
    void edited(const QString& text);
    // True when editing begins, false when it ends.
    void focusChanged(bool focused);
    // Return was pressed.
    void submitted();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void maybeAutofocus();

    bool m_autofocus = false;
    bool m_didAutofocus = false;
};

// The multi-line counterpart: a borderless QPlainTextEdit bound to a string
// in the same way; Return inserts a line break, pasted rich text arrives as
// plain text; Tab moves on to the next control.
class BoundPlainTextEdit final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit BoundPlainTextEdit(QWidget* parent = nullptr);

    void setBoundText(const QString& text);
    void setEditable(bool editable);
    void setAutofocus(bool autofocus);
    bool isEditing() const { return hasFocus(); }

signals:
    void edited(const QString& text);
    void focusChanged(bool focused);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void maybeAutofocus();

    bool m_autofocus = false;
    bool m_didAutofocus = false;
    bool m_applying = false;
};

} // namespace brivet
