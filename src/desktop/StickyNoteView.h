#pragma once

#include "desktop/DesktopEnvironment.h"
#include "ui/CardColors.h"
#include "model/StickyNote.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <optional>

class QLabel;
class QMenu;
class QShortcut;

namespace brivet {

class DesktopDetailEditor;
class FocusRing;
class NoteBoardFace;
class ResizeGrip;

// The card inside a desktop panel: the board face or the detail editor by
// the note's display mode, over a rounded tinted background. It re-reads its
// note from the state on every change and changes it only through state
// operations.
//
// From the keyboard, while its window is active: Tab and Shift+Tab walk its
// controls in reading order (the focused one ringed), Space or Enter
// activates the focused control (Space on a task's tick ticks it), and the
// keys below do what their buttons do. None of them is a text editing key
// on X11 (where Ctrl+D deletes a character, hence Ctrl+Shift+D), so they
// work from inside the fields too.
class StickyNoteView final : public QWidget {
    Q_OBJECT
public:
    static inline const QString openKeys = QStringLiteral("Ctrl+O");
    static inline const QString deferKeys = QStringLiteral("Ctrl+L");
    static inline const QString hideKeys = QStringLiteral("Ctrl+H");
    static inline const QString deleteKeys = QStringLiteral("Ctrl+Shift+D");
    static inline const QString newTaskKeys = QStringLiteral("Ctrl+N");
    static inline const QString leaveKeys = QStringLiteral("Esc");

    StickyNoteView(DesktopEnvironmentPtr environment, const Uuid& noteId, double cardCornerRadius,
        double detailWidgetInset, QWidget* parent = nullptr);
    ~StickyNoteView() override;

    const Uuid& noteId() const { return m_noteId; }
    // Re-reads the note and redraws what changed.
    void reload();
    void setComposited(bool composited);

    // The context menu, in its order; the caller owns it.
    QMenu* buildContextMenu(QWidget* parent);
    NoteBoardFace* boardFace() const { return m_board; }
    ResizeGrip* resizeGrip() const { return m_grip; }
    DesktopDetailEditor* detailEditor() const { return m_editor; }
    FocusRing* focusRing() const { return m_ring; }
    // The note as last drawn (nothing: it has gone).
    const std::optional<StickyNote>& shownNote() const { return m_note; }
    const CardColors& colors() const { return m_colors; }

    // User actions, each one state operation (plus focus where the note is
    // brought to the user's attention).
    void openEditor();
    void openLinkedNote(const Uuid& linkedNoteId);
    void deferNote(NoteDeferPreset preset);
    void deferLinkedNote(const Uuid& linkedNoteId, NoteDeferPreset preset);
    void duplicateNote();
    void hideNote();
    void deleteNote();
    void toggleNoteCompletion();
    void toggleTask(const Uuid& taskId);
    void openDashboard();
    // The 稍后处理 menu: the board's button opens it, else it pops up on
    // the card. Nothing for a completed note, which cannot be put off.
    void showDeferMenu();
    // Double click on the board face: the editor, except for calendar notes.
    void boardDoubleClicked();

signals:
    // The user let go of the resize grip.
    void resizeFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showFace();
    void discardBoard();
    void discardEditor();
    // Puts the grip over the face's slot at the end of its bottom row (or
    // hides it when the face has none).
    void placeResizeGrip();
    void addShortcuts();
    // Which keys apply to the face shown.
    void updateShortcuts();
    QRectF cardRect() const;
    double shadowMargin() const;

    DesktopEnvironmentPtr m_environment;
    Uuid m_noteId;
    double m_cornerRadius;
    double m_detailInset;
    bool m_composited = false;
    bool m_loaded = false;
    // A key, not a click, is changing the face.
    bool m_keyAction = false;
    std::optional<StickyNote> m_note;
    CardColors m_colors;
    QLabel* m_missing = nullptr;
    NoteBoardFace* m_board = nullptr;
    DesktopDetailEditor* m_editor = nullptr;
    ResizeGrip* m_grip = nullptr;
    FocusRing* m_ring = nullptr;
    QShortcut* m_openShortcut = nullptr;
    QShortcut* m_deferShortcut = nullptr;
    QShortcut* m_newTaskShortcut = nullptr;
    QShortcut* m_leaveShortcut = nullptr;
    // Clears itself when the face drops the slot, also while this view is
    // being destroyed (a slot on its destroyed signal would run on a
    // half-destroyed view).
    QPointer<QWidget> m_gripSlot;

    // Dragging the card by its background moves the window.
    bool m_pressed = false;
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_pressWindowPos;
};

} // namespace brivet
