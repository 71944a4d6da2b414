#!/usr/bin/python3
# Drives the running editor through the accessibility bus, which works the same
# on every display server.
#   atspi.py press NAME   runs the first action of the button or menu item NAME
#   atspi.py wait NAME    waits until a window called NAME is showing
#   atspi.py start        starts the accessibility bus, before the editor starts
# Waits up to 15 s for the editor and for NAME; exit 1 with a line when it is not found.
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

ROLES = {"press": ("push button", "menu item"), "wait": ("frame", "dialog", "window", "filler")}


def find(node, name, roles, depth=0):
    if depth > 12 or node is None:
        return None
    try:
        if node.get_name() == name and node.get_role_name() in roles:
            return node if roles is ROLES["press"] or node.get_state_set().contains(Atspi.StateType.SHOWING) else None
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), name, roles, depth + 1)
            if found:
                return found
    except gi.repository.GLib.Error:
        pass  # a window closing while it is walked
    return None


def lookup(name, roles):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "tarvello":
            return find(app, name, roles)
    return None


def main():
    if sys.argv[1:] == ["start"]:
        Atspi.get_desktop(0).get_child_count()
        return 0
    if len(sys.argv) != 3 or sys.argv[1] not in ROLES:
        print(__doc__ or "usage: atspi.py press|wait NAME")
        return 2
    verb, name = sys.argv[1], sys.argv[2]
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        node = lookup(name, ROLES[verb])
        if node is not None:
            if verb == "press":
                node.do_action(0)
            return 0
        time.sleep(0.2)
    print(f"no {' or '.join(ROLES[verb])} called {name!r} in the editor")
    return 1


if __name__ == "__main__":
    sys.exit(main())
