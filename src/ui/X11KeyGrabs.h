#pragma once

#include "model/KeyChord.h"
#include "ui/KeyRepeatFilter.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace brivet {

// Global keys taken with passive key grabs on the X root window, for
// desktops without a shortcuts portal. A chord is grabbed with every
// combination of Caps Lock and Num Lock so the locks do not turn it off;
// when another client already holds any of them the chord is left to that
// client (never half taken). Presses arrive through the application's X
// event stream; auto-repeat while a key is held is no new press.
class X11KeyGrabs : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    struct Request {
        QString id;
        KeyChord chord;
    };
    enum class Result { taken,
        heldElsewhere,
        noSuchKey };
    struct Outcome {
        QString id;
        Result result;
    };

    // On `connection` (the application's own, so its presses reach this
    // filter); null makes every grab fail with noSuchKey.
    explicit X11KeyGrabs(xcb_connection_t* connection, QObject* parent = nullptr);
    ~X11KeyGrabs() override;

    // Lets go of the keys held so far and takes `requests`; one outcome per
    // request, in order. One round trip to the server.
    // Virtual so tests can stand in for the server.
    virtual std::vector<Outcome> grab(const std::vector<Request>& requests);
    void releaseAll();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // A new press of the chord of `id`; `time` is the key event's server
    // time, which activating a window in answer to it needs.
    void pressed(const QString& id, std::uint32_t time);

private:
    struct Held {
        QString id;
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };
    struct ModifierMasks {
        std::uint16_t alt = 0, meta = 0, numLock = 0;
    };
    ModifierMasks modifierMasks() const;
    std::vector<std::uint8_t> keycodesFor(std::uint32_t keysym) const;
    std::vector<std::uint16_t> lockVariants(std::uint16_t modifiers) const;

    xcb_connection_t* m_connection;
    std::uint32_t m_root = 0;
    ModifierMasks m_masks;
    std::vector<Held> m_held;
    KeyRepeatFilter m_repeats;
    bool m_filterInstalled = false;
};

// The X keysym of a chord's key ("N" → XK_n, "F9" → XK_F9), or 0.
std::uint32_t keysymForKey(const std::string& key);

} // namespace brivet
