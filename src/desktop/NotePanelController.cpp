#include "desktop/NotePanelController.h"

#include "desktop/DesktopDetailEditor.h"

#include "desktop/NotePanel.h"
#include "desktop/StickyNoteView.h"
#include "state/AppState.h"
#include "state/ScreenPlacement.h"
#include "ui/CompositorWatch.h"
#include "ui/QtConversions.h"
#include "ui/StateBridge.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace brivet {

namespace {

Rect modelFrame(const NoteFrame& frame)
{
    return Rect { frame.x, frame.y, frame.width, frame.height };
}

} // namespace

double NotePanelController::windowAlpha(double opacity)
{
    if (!(opacity > 0.12)) // NaN too
        return 0.12;
    return std::min(opacity, 1.0);
}

NotePanelController::NotePanelController(const StickyNote& note, DesktopEnvironmentPtr environment,
    const AppPreferences& preferences)
    : m_noteId(note.id)
    , m_environment(std::move(environment))
    , m_lastReportedFrame(modelFrame(note.frame))
    , m_currentLayerMode(preferences.noteWindowLayerMode)
{
    m_panel = new NotePanel(m_currentLayerMode);
    m_panel->setObjectName(QStringLiteral("notePanel"));
    applyTitle(note);

    m_isApplyingModelFrame = true;
    applySizeLimits(note);
    m_panel->setWindowOpacity(windowAlpha(note.style.opacity));
    // Built inside the panel: moving a finished card into it would restyle
    // every widget of the card a second time.
    m_card = new StickyNoteView(m_environment, m_noteId, cardCornerRadius, detailWidgetInset, m_panel);
    m_panel->setContent(m_card);
    m_panel->setGeometry(toQtRect(modelFrame(note.frame)));
    applyShape();
    m_isApplyingModelFrame = false;

    connect(m_panel, &NotePanel::moved, this, [this] { reportWindowFrame(false); });
    connect(m_panel, &NotePanel::resized, this, [this] { reportWindowFrame(false); });
    // Task switchers, pagers and screen readers show the window title; it
    // follows the note's title as it is committed.
    if (m_environment->bridge)
        connect(m_environment->bridge, &StateBridge::notesChanged, this, [this] {
            if (AppState* state = m_environment->state)
                if (std::optional<StickyNote> current = state->note(m_noteId))
                    applyTitle(*current);
        });
    if (m_environment->compositor)
        connect(m_environment->compositor, &CompositorWatch::compositingChanged, this, [this] {
            if (m_panel)
                applyShape();
        });
    connect(m_card, &StickyNoteView::resizeFinished, this, [this] { reportWindowFrame(true); });
    connect(m_panel, &NotePanel::deactivated, this, [this] { panelDeactivated(); });
    connect(m_panel, &NotePanel::closing, this, [this] { panelClosing(); });
    // Some window managers place a new window by their own rules (openbox
    // ignores a requested top-left corner) or report it inside their frame
    // while they map it; the stored frame wins, and nothing seen before the
    // map is reported.
    connect(m_panel, &NotePanel::mapped, this, [this] {
        m_frameReportTask.cancel();
        QRect wanted = toQtRect(m_lastReportedFrame);
        if (m_panel->geometry() != wanted) {
            m_isApplyingModelFrame = true;
            m_panel->setGeometry(wanted);
            m_isApplyingModelFrame = false;
        }
    });

    // Ordered to the front in every mode; the desktop layer's "below" state
    // keeps it under normal windows.
    m_isApplyingModelFrame = true;
    m_panel->show();
    applyLayer();
    m_panel->raise();
    m_isApplyingModelFrame = false;
}

NotePanelController::~NotePanelController()
{
    m_frameReportTask.cancel();
    if (m_panel) {
        m_panel->disconnect(this);
        m_panel->hide();
        // Not deleted at once: the click that led here may still be running
        // inside the panel.
        m_panel->deleteLater();
    }
}

void NotePanelController::refresh(const StickyNote& note, const AppPreferences& preferences)
{
    if (!m_panel)
        return;
    m_currentLayerMode = preferences.noteWindowLayerMode;
    // Limits, layer and shape can move or resize the window too; none of
    // that is the user's doing.
    applyTitle(note);
    m_isApplyingModelFrame = true;
    applySizeLimits(note);
    applyLayer();
    m_panel->setWindowOpacity(windowAlpha(note.style.opacity));
    applyShape();
    Rect target = modelFrame(note.frame);
    QRect wanted = toQtRect(target);
    if (m_panel->geometry() != wanted)
        m_panel->setGeometry(wanted);
    m_isApplyingModelFrame = false;
    m_lastReportedFrame = target;
}

void NotePanelController::close()
{
    if (m_panel && !m_closed)
        m_panel->close();
}

void NotePanelController::focus()
{
    if (m_panel)
        m_panel->activate();
}

void NotePanelController::applyTitle(const StickyNote& note)
{
    QString title = note.title.empty() ? QStringLiteral("新悬笺") : QString::fromStdString(note.title);
    if (m_panel->windowTitle() != title)
        m_panel->setWindowTitle(title);
}

void NotePanelController::applySizeLimits(const StickyNote& note)
{
    Size minimum = ScreenPlacement::minimumSize(note.displayMode, note.frame.sizePreset);
    Size maximum = ScreenPlacement::maximumSize(note.displayMode, note.frame.sizePreset);
    m_panel->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_panel->setMinimumSize(int(std::lround(minimum.width)), int(std::lround(minimum.height)));
    m_panel->setMaximumSize(int(std::lround(maximum.width)), int(std::lround(maximum.height)));
}

void NotePanelController::applyLayer()
{
    m_panel->setLayerMode(m_currentLayerMode);
}

void NotePanelController::applyShape()
{
    bool composited = m_environment->composited || (m_environment->compositor && m_environment->compositor->isCompositing());
    m_panel->applyShape(cardCornerRadius, composited);
    m_card->setComposited(composited);
}

Rect NotePanelController::currentFrame() const
{
    return toModelRect(m_panel->geometry());
}

bool NotePanelController::isLastReported(const Rect& frame) const
{
    auto unchanged = [](double a, double b) { return std::abs(a - b) <= 0.5; };
    return unchanged(frame.x, m_lastReportedFrame.x) && unchanged(frame.y, m_lastReportedFrame.y)
        && unchanged(frame.width, m_lastReportedFrame.width) && unchanged(frame.height, m_lastReportedFrame.height);
}

void NotePanelController::reportWindowFrame(bool immediate)
{
    if (m_isApplyingModelFrame || !m_panel || m_closed || !m_panel->isMapped())
        return;
    if (isLastReported(currentFrame())) {
        // Back where the model has it (a window manager's transient
        // position undone, a drag that returned): nothing is left to report.
        m_frameReportTask.cancel();
        return;
    }
    if (!immediate) {
        Scheduler& scheduler = *m_environment->scheduler;
        m_frameReportTask = TaskHandle(scheduler, scheduler.schedule(frameReportDelay, [this] {
            m_frameReportTask.release();
            // Where the window is now, which is where the last move left it.
            sendFrame(currentFrame());
        }));
        return;
    }
    m_frameReportTask.cancel();
    sendFrame(currentFrame());
}

void NotePanelController::commitPendingChanges()
{
    if (m_frameReportTask.isPending()) {
        m_frameReportTask.cancel();
        sendFrame(currentFrame());
    }
    if (m_card && m_card->detailEditor())
        m_card->detailEditor()->flushAll();
}

void NotePanelController::sendFrame(const Rect& frame)
{
    if (!m_panel || isLastReported(frame))
        return;
    m_lastReportedFrame = frame;
    if (AppState* state = m_environment->state)
        state->updateWindowFrame(m_noteId, frame);
}

void NotePanelController::panelDeactivated()
{
    if (m_currentLayerMode == NoteWindowLayerMode::desktop && m_panel)
        m_panel->lower();
}

void NotePanelController::panelClosing()
{
    if (m_closed)
        return;
    m_closed = true;
    m_frameReportTask.cancel();
    if (m_environment->quitting)
        return;
    if (AppState* state = m_environment->state)
        state->hide(m_noteId);
}

} // namespace brivet
