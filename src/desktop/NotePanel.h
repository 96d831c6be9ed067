#pragma once

#include "model/Enums.h"

#include <QWidget>

namespace brivet {

// The borderless, translucent top-level window of one desktop card: out of
// the taskbar and pager, on every workspace, never activated by being
// shown, and activated by the first click without swallowing that click.
class NotePanel final : public QWidget {
    Q_OBJECT
public:
    explicit NotePanel(NoteWindowLayerMode mode, QWidget* parent = nullptr);
    ~NotePanel() override;

    // Hosts the card; the panel takes ownership.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Stacking layer: desktop below normal windows (and sent back when the
    // panel loses focus), floating above them, topMost above docks where
    // the window manager allows it.
    void setLayerMode(NoteWindowLayerMode mode);
    NoteWindowLayerMode layerMode() const { return m_layerMode; }
    // Rounded shape: translucent corners with a compositor, else a mask.
    void applyShape(double cornerRadius, bool composited);
    // Raises the panel and gives it keyboard focus.
    void activate();
    // The window has been on screen (exposed) at least once. Geometry
    // changes before that are the window manager placing and reparenting
    // it, never the user's.
    bool isMapped() const { return m_mapped; }

signals:
    void moved();
    void resized();
    // The panel lost keyboard focus (key status).
    void deactivated();
    // The panel is closing (by the manager or by the window manager).
    void closing();
    // The window is on screen for the first time.
    void mapped();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateMask();

    QWidget* m_content = nullptr;
    NoteWindowLayerMode m_layerMode;
    double m_cornerRadius = 42;
    bool m_composited = false;
    bool m_filterInstalled = false;
    bool m_mapped = false;
};

} // namespace brivet
