#include "ui/X11WindowHints.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>

#ifdef BRIVET_HAVE_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>
#endif

namespace brivet::X11WindowHints {

#ifdef BRIVET_HAVE_XCB

xcb_connection_t* connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

namespace {

xcb_screen_t* firstScreen(xcb_connection_t* c)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    static std::unordered_map<std::string, xcb_atom_t> cache;
    if (cache.empty()) {
        // The hints' atoms in one round trip to the server rather than one
        // each: all the requests go out before the first reply is awaited.
        static constexpr const char* hintAtoms[] = { "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
            "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_BELOW", "_NET_WM_STATE_ABOVE",
            "_NET_WM_STATE_STAYS_ON_TOP", "_NET_WM_DESKTOP" };
        xcb_intern_atom_cookie_t cookies[std::size(hintAtoms)];
        for (std::size_t i = 0; i < std::size(hintAtoms); ++i)
            cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(hintAtoms[i])), hintAtoms[i]);
        for (std::size_t i = 0; i < std::size(hintAtoms); ++i) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookies[i], nullptr);
            cache.emplace(hintAtoms[i], reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
            std::free(reply);
        }
    }
    if (auto found = cache.find(name); found != cache.end())
        return found->second;
    xcb_intern_atom_reply_t* reply
        = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    cache.emplace(name, value);
    return value;
}

void sendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_atom_t type, uint32_t d0, uint32_t d1, uint32_t d2)
{
    xcb_screen_t* screen = firstScreen(c);
    if (!screen)
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = 1; // source: an application
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char*>(&event));
}

constexpr uint32_t stateRemove = 0;
constexpr uint32_t stateAdd = 1;
constexpr uint32_t allDesktops = 0xFFFFFFFF;

} // namespace

bool isAvailable()
{
    return connection() != nullptr;
}

void prepareUnmapped(QWindow* window, NoteWindowLayerMode mode)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    auto id = xcb_window_t(window->winId());
    std::vector<xcb_atom_t> states { atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER"),
        atom(c, "_NET_WM_STATE_STICKY") };
    if (mode == NoteWindowLayerMode::desktop)
        states.push_back(atom(c, "_NET_WM_STATE_BELOW"));
    else
        states.push_back(atom(c, "_NET_WM_STATE_ABOVE"));
    if (mode == NoteWindowLayerMode::topMost)
        states.push_back(atom(c, "_NET_WM_STATE_STAYS_ON_TOP"));
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
        uint32_t(states.size()), states.data());
    uint32_t desktop = allDesktops;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1, &desktop);
    xcb_flush(c);
}

void applyLayer(QWindow* window, NoteWindowLayerMode mode)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    auto id = xcb_window_t(window->winId());
    xcb_atom_t netState = atom(c, "_NET_WM_STATE");
    xcb_atom_t above = atom(c, "_NET_WM_STATE_ABOVE");
    xcb_atom_t below = atom(c, "_NET_WM_STATE_BELOW");
    xcb_atom_t staysOnTop = atom(c, "_NET_WM_STATE_STAYS_ON_TOP");
    sendToRoot(c, id, netState, stateAdd, atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER"));
    sendToRoot(c, id, netState, stateAdd, atom(c, "_NET_WM_STATE_STICKY"), 0);
    switch (mode) {
    case NoteWindowLayerMode::desktop:
        sendToRoot(c, id, netState, stateRemove, above, staysOnTop);
        sendToRoot(c, id, netState, stateAdd, below, 0);
        break;
    case NoteWindowLayerMode::floating:
        sendToRoot(c, id, netState, stateRemove, below, staysOnTop);
        sendToRoot(c, id, netState, stateAdd, above, 0);
        break;
    case NoteWindowLayerMode::topMost:
        sendToRoot(c, id, netState, stateRemove, below, 0);
        sendToRoot(c, id, netState, stateAdd, above, staysOnTop);
        break;
    }
    sendToRoot(c, id, atom(c, "_NET_WM_DESKTOP"), allDesktops, 0, 0);
    xcb_flush(c);
}

void answerStartup(QWindow* window, const QByteArray& startupId)
{
    xcb_connection_t* c = connection();
    if (!c || !window || startupId.isEmpty())
        return;
    auto id = xcb_window_t(window->winId());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_STARTUP_ID"), atom(c, "UTF8_STRING"), 8,
        uint32_t(startupId.size()), startupId.constData());
    // The startup notification "remove" message, in 20-byte pieces of
    // client messages to the root window, the first of its own type.
    std::string message = "remove: ID=";
    for (char byte : startupId) {
        if (byte == ' ' || byte == '"' || byte == '\\')
            message.push_back('\\');
        message.push_back(byte);
    }
    message.push_back('\0');
    xcb_screen_t* screen = firstScreen(c);
    if (!screen)
        return;
    for (std::size_t offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = id;
        event.type = atom(c, offset == 0 ? "_NET_STARTUP_INFO_BEGIN" : "_NET_STARTUP_INFO");
        std::memcpy(event.data.data8, message.data() + offset, std::min<std::size_t>(20, message.size() - offset));
        xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&event));
    }
    xcb_flush(c);
}

#else

bool isAvailable() { return false; }
xcb_connection_t* connection() { return nullptr; }
void prepareUnmapped(QWindow*, NoteWindowLayerMode) { }
void applyLayer(QWindow*, NoteWindowLayerMode) { }
void answerStartup(QWindow*, const QByteArray&) { }

#endif

} // namespace brivet::X11WindowHints
