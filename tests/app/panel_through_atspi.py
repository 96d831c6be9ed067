#!/usr/bin/env python3
"""Drives the running app as a screen reader would, through AT-SPI alone.

Finds the app under the desktop and its tray icon under the app by name,
checks the icon's description is the status title given as the first
argument, opens the panel with the icon's Press action, reads the panel's
sections by name and presses the "控制台" quick action, all through the
Action interface. Prints one line per step ("icon: ...", "opened: ...",
"sections: ...", "pressed: 控制台"), and exits non-zero with the reason
when a step fails.
"""

import sys
import time

import pyatspi

APP_NAME = "Brivet"
ICON_NAME = "悬笺"
PANEL_NAME = "悬笺面板"
SECTIONS = ("快速操作",)
ACTION = "控制台"


def fail(message):
    print("failed: " + message, flush=True)
    sys.exit(1)


def wait_for(find, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = find()
        except Exception:  # a node can go away while it is read
            found = None
        if found is not None:
            return found
        time.sleep(0.1)
    fail("no " + what + " within %d s" % seconds)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == APP_NAME:
            return app
    return None


def descendants(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from descendants(node.getChildAtIndex(i), depth + 1)


def find(root, name, roles=None):
    for node in descendants(root):
        if node.name == name and (roles is None or node.getRoleName() in roles):
            return node
    return None


def press(node, what):
    try:
        action = node.queryAction()
    except NotImplementedError:
        fail(what + " offers no Action interface")
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail(what + " has no Press action, only " + repr(names))
    if not action.doAction(names.index("Press")):
        fail(what + " refused its Press action")


def showing(node):
    return node is not None and node.getState().contains(pyatspi.STATE_SHOWING)


def main():
    status_title = sys.argv[1]
    app = wait_for(application, 20, "application named " + APP_NAME)
    def icon_child():
        children = (app.getChildAtIndex(i) for i in range(app.childCount))
        return next((child for child in children if child is not None and child.name == ICON_NAME), None)

    def open_panel():
        node = find(app, PANEL_NAME)
        return node if showing(node) else None

    # The icon is one of the application's own children, as its windows are.
    icon = wait_for(icon_child, 10, "child of the application named " + ICON_NAME)
    print("icon: %s, %s, description %s" % (icon.name, icon.getRoleName(), icon.description), flush=True)
    if icon.getRoleName() != "push button":
        fail("the icon reads as a " + icon.getRoleName() + ", not a push button")
    if icon.description != status_title:
        fail("the icon's description is %r, not the status title %r" % (icon.description, status_title))
    if icon.parent is None or icon.parent.name != APP_NAME:
        fail("the icon does not name the application as its parent")
    if open_panel() is not None:
        fail("the panel is open before the icon was pressed")

    press(icon, "the icon")
    panel = wait_for(open_panel, 10, "open panel named " + PANEL_NAME)
    print("opened: " + panel.name, flush=True)
    named = [node.name for node in descendants(panel) if node.getRoleName() in ("panel", "grouping", "filler")
             and node.name]
    print("sections: " + ", ".join(named), flush=True)
    for section in SECTIONS:
        if section not in named:
            fail("no section named " + section)
    button = wait_for(lambda: find(panel, ACTION, ("push button", "push button menu", "menu button")), 5,
                      "button named " + ACTION)
    press(button, ACTION)
    print("pressed: " + ACTION, flush=True)


if __name__ == "__main__":
    main()
