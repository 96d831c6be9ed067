#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>

namespace brivet {

// Whether a compositing manager runs on the X screen (it owns the
// _NET_WM_CM_S0 selection), so that translucent pixels show the desktop
// behind a card. Asked once when the watch is made, then followed through
// the XFixes selection-owner events, so a reconcile costs no round trip to
// the X server. Off X11 nothing ever composites.
class CompositorWatch final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    CompositorWatch();
    ~CompositorWatch() override;
    CompositorWatch(const CompositorWatch&) = delete;
    CompositorWatch& operator=(const CompositorWatch&) = delete;

    bool isCompositing() const { return m_compositing; }
    // Sees every X event before Qt does and lets each one through.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // A compositing manager started or went away.
    void compositingChanged(bool compositing);

private:
    bool m_compositing = false;
    bool m_watching = false;
    uint32_t m_selection = 0;
    uint8_t m_selectionNotify = 0;
};

} // namespace brivet
