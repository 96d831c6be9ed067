#pragma once

#include "desktop/DesktopEnvironment.h"
#include "desktop/NotePanel.h"
#include "model/AppPreferences.h"
#include "model/StickyNote.h"
#include "state/ScreenList.h"

#include <QObject>
#include <QPointer>

namespace brivet {

class StickyNoteView;

// Owns the desktop panel of one note: applies the model to the window
// (title, layer, size limits, opacity, shape, frame) and reports the user's moves
// and resizes back to the state.
class NotePanelController final : public QObject {
    Q_OBJECT
public:
    static constexpr Duration frameReportDelay { 120 };
    static constexpr double cardCornerRadius = 42;
    static constexpr double detailWidgetInset = 10;

    // Creates, configures and shows the panel at the note's frame.
    NotePanelController(const StickyNote& note, DesktopEnvironmentPtr environment, const AppPreferences& preferences);
    ~NotePanelController() override;

    // Re-applies layer, size limits, opacity, shape and frame from the model;
    // moving the window here never reports back.
    void refresh(const StickyNote& note, const AppPreferences& preferences);
    // Closes the panel (which hides the note through the state).
    void close();
    // Raises the panel and gives it keyboard focus.
    void focus();

    // Reports the window's frame (its root position and size): debounced by
    // frameReportDelay, or at once. Differences of at most 0.5 points in
    // every coordinate are no change, and a window that is back at the last
    // reported frame cancels a pending report. Nothing is reported before
    // the window is first mapped.
    void reportWindowFrame(bool immediate);
    // Hands the state what is still waiting here: a debounced frame report
    // and the editor's uncommitted text (the app is about to quit).
    void commitPendingChanges();

    const Uuid& noteId() const { return m_noteId; }
    NotePanel* panel() const { return m_panel; }
    StickyNoteView* card() const { return m_card; }
    Rect lastReportedFrame() const { return m_lastReportedFrame; }
    NoteWindowLayerMode currentLayerMode() const { return m_currentLayerMode; }
    bool hasPendingFrameReport() const { return m_frameReportTask.isPending(); }

    // The window alpha of a note opacity: clamped to 0.12 ... 1.0.
    static double windowAlpha(double opacity);

private:
    void applyTitle(const StickyNote& note);
    void applySizeLimits(const StickyNote& note);
    void applyLayer();
    void applyShape();
    Rect currentFrame() const;
    bool isLastReported(const Rect& frame) const;
    void sendFrame(const Rect& frame);
    void panelClosing();
    void panelDeactivated();

    Uuid m_noteId;
    DesktopEnvironmentPtr m_environment;
    QPointer<NotePanel> m_panel;
    StickyNoteView* m_card = nullptr;
    bool m_isApplyingModelFrame = false;
    bool m_closed = false;
    TaskHandle m_frameReportTask;
    Rect m_lastReportedFrame;
    NoteWindowLayerMode m_currentLayerMode;
};

} // namespace brivet
