#include "app/ShortcutDefaults.h"

#include "app/DesktopAction.h"

namespace brivet {

std::vector<GlobalShortcuts::Action> shortcutActions()
{
    // Super+Alt with a letter: the common desktops and window managers
    // bind Super alone with letters (GNOME, i3, Xfce's display switch),
    // Ctrl+Alt with letters (a terminal on T, the lock on L, workspaces on
    // the arrows) and Alt with function keys, but leave Super+Alt with N,
    // B, H and P free. The letters are the actions' first letters in
    // English: note, board, hide, panel.
    auto action = [](DesktopAction which, const char* keys) {
        return GlobalShortcuts::Action { QString::fromUtf8(actionId(which).data(), qsizetype(actionId(which).size())),
            QString::fromUtf8(actionTitle(which).data(), qsizetype(actionTitle(which).size())), keys };
    };
    return { action(DesktopAction::newNote, "Alt+Meta+N"), action(DesktopAction::todayBoard, "Alt+Meta+B"),
        action(DesktopAction::toggleNotes, "Alt+Meta+H"), action(DesktopAction::panel, "Alt+Meta+P") };
}

} // namespace brivet
