#!/usr/bin/env python3
"""Drives the running app as a screen reader would, through AT-SPI alone.

Finds the app under the desktop and the tray panel the test opened in it,
reads the panel's sections by name and presses the "控制台" quick action
through the Action interface. Prints one line per step ("icon: ...",
"sections: ...", "pressed: 控制台"), and exits non-zero with the reason
when a step fails. The tray icon's node is reported, not required: Qt
lists the window of an XEmbed icon under no application node.
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


def main():
    app = wait_for(application, 20, "application named " + APP_NAME)
    icon = find(app, ICON_NAME, ("push button",))
    if icon is None:
        print("icon: not under the application node", flush=True)
    else:
        print("icon: %s, %s, description %s" % (icon.name, icon.getRoleName(), icon.description), flush=True)

    panel = wait_for(lambda: find(app, PANEL_NAME), 10, "panel named " + PANEL_NAME)
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
