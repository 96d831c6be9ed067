#include "ui/X11KeyGrabs.h"

#include <QCoreApplication>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#ifdef BRIVET_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace brivet {

std::uint32_t keysymForKey(const std::string& key)
{
    if (key.size() == 1) {
        char c = key.front();
        if (c >= 'A' && c <= 'Z')
            return std::uint32_t(c - 'A' + 'a');
        // Digits and punctuation are their own keysyms.
        return std::uint32_t(static_cast<unsigned char>(c));
    }
    if (key.size() > 1 && key.front() == 'F' && key[1] >= '1' && key[1] <= '9')
        return 0xffbe + std::uint32_t(std::atoi(key.c_str() + 1)) - 1;
    static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 22> named { {
        { "Space", 0x20 },
        { "Esc", 0xff1b },
        { "Tab", 0xff09 },
        { "Backtab", 0xfe20 },
        { "Backspace", 0xff08 },
        { "Return", 0xff0d },
        { "Enter", 0xff8d },
        { "Ins", 0xff63 },
        { "Del", 0xffff },
        { "Home", 0xff50 },
        { "End", 0xff57 },
        { "PgUp", 0xff55 },
        { "PgDown", 0xff56 },
        { "Left", 0xff51 },
        { "Up", 0xff52 },
        { "Right", 0xff53 },
        { "Down", 0xff54 },
        { "Print", 0xff61 },
        { "Pause", 0xff13 },
        { "ScrollLock", 0xff14 },
        { "Menu", 0xff67 },
        { "Help", 0xff6a },
    } };
    for (auto [name, keysym] : named)
        if (name == key)
            return keysym;
    return 0;
}

#ifdef BRIVET_HAVE_XCB

namespace {

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template<typename T>
Reply<T> reply(T* raw)
{
    return Reply<T>(raw, &std::free);
}

constexpr std::uint8_t badAccess = 10;
// Shift, Lock, Control and Mod1–Mod5; the rest of a key event's state is
// the pointer buttons and the keyboard group.
constexpr std::uint16_t modifierBits = 0xff;

} // namespace

X11KeyGrabs::X11KeyGrabs(xcb_connection_t* connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
    if (!m_connection)
        return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    if (screens.rem)
        m_root = screens.data->root;
    m_masks = modifierMasks();
}

X11KeyGrabs::~X11KeyGrabs()
{
    releaseAll();
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::vector<std::uint8_t> X11KeyGrabs::keycodesFor(std::uint32_t keysym) const
{
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    std::uint8_t count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    auto mapping = reply(
        xcb_get_keyboard_mapping_reply(m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count), nullptr));
    std::vector<std::uint8_t> keycodes;
    if (!mapping || keysym == 0)
        return keycodes;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    int perKeycode = mapping->keysyms_per_keycode;
    for (int code = 0; code < count; ++code) {
        // The unshifted and the shifted symbol of the key's first group.
        for (int column = 0; column < std::min(perKeycode, 2); ++column)
            if (keysyms[code * perKeycode + column] == keysym) {
                keycodes.push_back(std::uint8_t(setup->min_keycode + code));
                break;
            }
    }
    return keycodes;
}

X11KeyGrabs::ModifierMasks X11KeyGrabs::modifierMasks() const
{
    // The usual layout, for when the server's table does not say.
    ModifierMasks masks { XCB_MOD_MASK_1, XCB_MOD_MASK_4, XCB_MOD_MASK_2 };
    auto table = reply(xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!table)
        return masks;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(table.get());
    int perModifier = table->keycodes_per_modifier;
    auto maskHolding = [&](std::initializer_list<std::uint32_t> keysyms) -> std::uint16_t {
        for (std::uint32_t keysym : keysyms)
            for (std::uint8_t keycode : keycodesFor(keysym))
                for (int modifier = 0; modifier < 8; ++modifier)
                    for (int i = 0; i < perModifier; ++i)
                        if (codes[modifier * perModifier + i] == keycode)
                            return std::uint16_t(1u << modifier);
        return 0;
    };
    if (std::uint16_t alt = maskHolding({ 0xffe9, 0xffea }))
        masks.alt = alt;
    if (std::uint16_t meta = maskHolding({ 0xffeb, 0xffec }))
        masks.meta = meta;
    if (std::uint16_t numLock = maskHolding({ 0xff7f }))
        masks.numLock = numLock;
    return masks;
}

std::vector<std::uint16_t> X11KeyGrabs::lockVariants(std::uint16_t modifiers) const
{
    return { modifiers, std::uint16_t(modifiers | XCB_MOD_MASK_LOCK), std::uint16_t(modifiers | m_masks.numLock),
        std::uint16_t(modifiers | XCB_MOD_MASK_LOCK | m_masks.numLock) };
}

std::vector<X11KeyGrabs::Outcome> X11KeyGrabs::grab(const std::vector<Request>& requests)
{
    releaseAll();
    m_repeats = {};
    std::vector<Outcome> outcomes;
    if (!m_connection || !m_root) {
        for (const Request& request : requests)
            outcomes.push_back({ request.id, Result::noSuchKey });
        return outcomes;
    }
    if (!m_filterInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    // Every grab is sent before any answer is read: one round trip.
    struct Pending {
        Held held;
        std::vector<xcb_void_cookie_t> cookies;
    };
    std::vector<std::optional<Pending>> pending;
    for (const Request& request : requests) {
        std::vector<std::uint8_t> keycodes = keycodesFor(keysymForKey(request.chord.key));
        if (keycodes.empty()) {
            pending.emplace_back();
            continue;
        }
        std::uint16_t modifiers = 0;
        if (request.chord.modifiers & KeyChord::shift)
            modifiers |= XCB_MOD_MASK_SHIFT;
        if (request.chord.modifiers & KeyChord::control)
            modifiers |= XCB_MOD_MASK_CONTROL;
        if (request.chord.modifiers & KeyChord::alt)
            modifiers |= m_masks.alt;
        if (request.chord.modifiers & KeyChord::meta)
            modifiers |= m_masks.meta;
        Pending next { { request.id, keycodes.front(), modifiers }, {} };
        for (std::uint16_t variant : lockVariants(modifiers))
            next.cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, variant, keycodes.front(),
                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        pending.emplace_back(std::move(next));
    }
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (!pending[i]) {
            outcomes.push_back({ requests[i].id, Result::noSuchKey });
            continue;
        }
        std::optional<Result> refused;
        std::vector<std::uint16_t> variants = lockVariants(pending[i]->held.modifiers);
        std::vector<std::uint16_t> granted;
        for (std::size_t v = 0; v < variants.size(); ++v) {
            if (auto error = reply(xcb_request_check(m_connection, pending[i]->cookies[v])))
                refused = error->error_code == badAccess ? Result::heldElsewhere : refused.value_or(Result::noSuchKey);
            else
                granted.push_back(variants[v]);
        }
        if (refused) {
            for (std::uint16_t variant : granted)
                xcb_ungrab_key(m_connection, pending[i]->held.keycode, m_root, variant);
            outcomes.push_back({ requests[i].id, *refused });
        } else {
            m_held.push_back(pending[i]->held);
            outcomes.push_back({ requests[i].id, Result::taken });
        }
    }
    xcb_flush(m_connection);
    return outcomes;
}

void X11KeyGrabs::releaseAll()
{
    if (!m_connection)
        return;
    for (const Held& held : m_held)
        for (std::uint16_t variant : lockVariants(held.modifiers))
            xcb_ungrab_key(m_connection, held.keycode, m_root, variant);
    if (!m_held.empty())
        xcb_flush(m_connection);
    m_held.clear();
}

bool X11KeyGrabs::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (m_held.empty() || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->event != m_root)
        return false;
    std::uint16_t state = key->state & modifierBits & ~std::uint16_t(XCB_MOD_MASK_LOCK | m_masks.numLock);
    // Never consumed: the toolkit keeps the event's time as the latest user
    // action, which activating the window opened in answer needs.
    if (type == XCB_KEY_RELEASE) {
        m_repeats.release(key->detail, key->time);
        return false;
    }
    for (const Held& held : m_held) {
        if (held.keycode == key->detail && held.modifiers == state) {
            if (m_repeats.press(key->detail, key->time))
                emit pressed(held.id, key->time);
            break;
        }
    }
    return false;
}

#else

X11KeyGrabs::X11KeyGrabs(xcb_connection_t* connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
}
X11KeyGrabs::~X11KeyGrabs() = default;
std::vector<X11KeyGrabs::Outcome> X11KeyGrabs::grab(const std::vector<Request>& requests)
{
    std::vector<Outcome> outcomes;
    for (const Request& request : requests)
        outcomes.push_back({ request.id, Result::noSuchKey });
    return outcomes;
}
void X11KeyGrabs::releaseAll() { }
bool X11KeyGrabs::nativeEventFilter(const QByteArray&, void*, qintptr*) { return false; }

#endif

} // namespace brivet
