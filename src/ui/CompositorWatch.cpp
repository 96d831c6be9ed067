#include "ui/CompositorWatch.h"

#include "ui/X11WindowHints.h"

#include <QCoreApplication>

#ifdef BRIVET_HAVE_XCB
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>
#endif

namespace brivet {

CompositorWatch::CompositorWatch()
{
#ifdef BRIVET_HAVE_XCB
    xcb_connection_t* c = X11WindowHints::connection();
    if (!c)
        return;
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    constexpr const char* name = "_NET_WM_CM_S0";
    // The requests go out together; their answers come back in one wait.
    xcb_intern_atom_cookie_t atomCookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    xcb_xfixes_query_version_cookie_t versionCookie {};
    bool hasXfixes = xfixes && xfixes->present && screen;
    if (hasXfixes)
        versionCookie = xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, atomCookie, nullptr);
    m_selection = atom ? atom->atom : uint32_t(XCB_ATOM_NONE);
    std::free(atom);
    if (hasXfixes)
        std::free(xcb_xfixes_query_version_reply(c, versionCookie, nullptr));
    if (m_selection == XCB_ATOM_NONE)
        return;
    if (hasXfixes) {
        // Selected before the owner is asked, so no change falls between.
        // The same mask Qt selects on the root window for this selection,
        // so Qt's own interest in it is left as it was.
        xcb_xfixes_select_selection_input(c, screen->root, m_selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        m_selectionNotify = uint8_t(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
        m_watching = true;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    m_compositing = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
#endif
}

CompositorWatch::~CompositorWatch()
{
    if (m_watching && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool CompositorWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef BRIVET_HAVE_XCB
    if (!m_watching || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_selectionNotify)
        return false;
    auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != m_selection)
        return false;
    bool compositing = notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_WINDOW_NONE;
    if (compositing != m_compositing) {
        m_compositing = compositing;
        // Reshaping windows is left until Qt has done with this event.
        QMetaObject::invokeMethod(this, [this, compositing] { emit compositingChanged(compositing); }, Qt::QueuedConnection);
    }
#else
    (void)eventType;
    (void)message;
#endif
    return false;
}

} // namespace brivet
