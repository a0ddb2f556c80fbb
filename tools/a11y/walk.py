#!/usr/bin/python3
"""Reads mivo's windows the way a screen reader does: over the AT-SPI bus.

Prints every accessible object of every window of a running mivo, one line
each: role, name, the states a screen reader announces, the value and the
"labelled by" relation. With --tour it also drives the application through the
same bus (actions, as assistive technology triggers them) and prints each step:
every screen of the setup wizard while it is open, the main window, every pane
of Settings and the review inspector.

It needs Debian's python3-pyatspi (the system interpreter) and an application
started with accessibility on, for example:

    dbus-run-session -- sh -c '
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 mivo &
        tools/a11y/walk.py --tour'
"""

import argparse
import sys
import time

import pyatspi

# The states worth hearing; the others (enabled, sensitive, visible, ...) are
# printed only when they are missing where a user would expect them.
ANNOUNCED = [
    pyatspi.STATE_FOCUSABLE,
    pyatspi.STATE_FOCUSED,
    pyatspi.STATE_CHECKABLE,
    pyatspi.STATE_CHECKED,
    pyatspi.STATE_EXPANDABLE,
    pyatspi.STATE_EXPANDED,
    pyatspi.STATE_COLLAPSED,
    pyatspi.STATE_SELECTABLE,
    pyatspi.STATE_SELECTED,
    pyatspi.STATE_EDITABLE,
    pyatspi.STATE_READ_ONLY,
    pyatspi.STATE_MODAL,
    pyatspi.STATE_ACTIVE,
]


def state_names(acc):
    states = acc.getState()
    names = [pyatspi.stateToString(s).replace(" ", "-") for s in ANNOUNCED if states.contains(s)]
    if not states.contains(pyatspi.STATE_ENABLED):
        names.append("disabled")
    if not states.contains(pyatspi.STATE_SHOWING):
        names.append("not-showing")
    return names


def value_of(acc):
    try:
        value = acc.queryValue()
    except NotImplementedError:
        return None
    try:
        text = value.text  # AT-SPI 2.46 offers the spoken text of a value
    except Exception:
        text = None
    return text or "%g" % value.currentValue


def labelled_by(acc):
    names = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() != pyatspi.RELATION_LABELLED_BY:
            continue
        for i in range(relation.getNTargets()):
            target = relation.getTarget(i)
            names.append(target.name or target.getRoleName())
    return names


def describe(acc):
    parts = ["[%s]" % acc.getRoleName(), repr(acc.name)]
    states = state_names(acc)
    if states:
        parts.append("{%s}" % " ".join(states))
    value = value_of(acc)
    if value is not None:
        parts.append("value=%r" % value)
    if acc.description:
        parts.append("description=%r" % acc.description)
    labels = labelled_by(acc)
    if labels:
        parts.append("labelled-by=%r" % labels)
    return " ".join(parts)


def walk(acc, depth=0, max_children=40, out=sys.stdout):
    out.write("  " * depth + describe(acc) + "\n")
    count = acc.childCount
    for i in range(min(count, max_children)):
        child = acc.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, max_children, out)
    if count > max_children:
        out.write("  " * (depth + 1) + "... %d more\n" % (count - max_children))


def find_app(name, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    sys.exit("no application named %r on the accessibility bus" % name)


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def find(root, role, name=None):
    def matches(acc):
        return acc is not None and acc.getRole() == role and (name is None or acc.name == name)

    return pyatspi.findDescendant(root, matches, breadth_first=True)


def wait_for(what, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    return None


def press(acc):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "click", "Press", "toggle", "Toggle", "activate"):
            action.doAction(i)
            return
    action.doAction(0)


def window_named(app, title):
    return wait_for(lambda: next((w for w in windows(app) if w.name == title), None))


def heading(text):
    print("\n==== %s ====" % text)
    sys.stdout.flush()


def tour_wizard(app, max_children):
    wizard = wait_for(
        lambda: next((w for w in windows(app) if find(w, pyatspi.ROLE_PUSH_BUTTON, "Get Started")), None), 5
    )
    if wizard is None:
        print("(no setup wizard open)")
        return
    for step in range(1, 8):
        heading("wizard, screen %d" % step)
        walk(wizard, max_children=max_children)
        for title in ("Get Started", "Continue", "Start Using mivo"):
            button = find(wizard, pyatspi.ROLE_PUSH_BUTTON, title)
            if button is not None:
                break
        if button is None:
            return
        # "Continue" on the tools screen waits for the tools.
        wait_for(lambda: button.getState().contains(pyatspi.STATE_ENABLED), 30)
        press(button)
        if title == "Start Using mivo":
            wait_for(lambda: wizard not in windows(app), 10)
            return
        time.sleep(0.8)


def menu_item(app, title):
    return wait_for(lambda: next((m for w in windows(app) if (m := find(w, pyatspi.ROLE_MENU_ITEM, title))), None), 5)


def tour_settings(app, max_children):
    item = menu_item(app, "Settings\u2026")
    if item is None:
        print("(no Settings\u2026 menu item)")
        return
    press(item)
    settings = window_named(app, "Settings")
    if settings is None:
        print("(the Settings window did not open)")
        return
    tabs = []
    wait_for(lambda: tabs.extend(pyatspi.findAllDescendants(settings, lambda a: a.getRole() == pyatspi.ROLE_PAGE_TAB)) or tabs, 3)
    if not tabs:
        heading("Settings (no page tabs found)")
        walk(settings, max_children=max_children)
        # Fall back to the buttons of the tab row, as the window was built before.
        tabs = pyatspi.findAllDescendants(
            settings, lambda a: a.getRole() in (pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_PUSH_BUTTON)
            and a.name in ("General", "Accounts", "Sources", "Quality", "Output", "Corvane VPN", "Command Line", "Diagnostics")
        )
    for tab in tabs:
        name = tab.name
        press(tab)
        time.sleep(0.6)
        heading("Settings, %s" % name)
        walk(settings, max_children=max_children)


def tour_inspector(app, max_children):
    main = window_named(app, "mivo")
    if main is None:
        return
    playlists = wait_for(lambda: find(main, pyatspi.ROLE_TREE, "Playlists") or find(main, pyatspi.ROLE_LIST, "Playlists"))
    if playlists is None:
        print("(no playlist list)")
        return
    # The first playlist (a row with a track count), chosen as a screen reader chooses it.
    rows = [playlists.getChildAtIndex(i) for i in range(playlists.childCount)]
    row = next((r for r in rows if r is not None and r.name.endswith(" tracks")), None)
    if row is None:
        print("(no playlist row)")
        return
    press(row)
    sync = wait_for(lambda: (b := find(main, pyatspi.ROLE_PUSH_BUTTON, "Sync")) and b.getState().contains(pyatspi.STATE_ENABLED) and b)
    if sync is None:
        print("(Sync stays disabled)")
        return
    press(sync)
    item = menu_item(app, "Review Matches")
    if item is None or not wait_for(lambda: item.getState().contains(pyatspi.STATE_ENABLED), 30):
        print("(nothing to review)")
        return
    press(item)
    time.sleep(1)
    heading("main window with the review inspector")
    walk(main, max_children=max_children)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app", default="mivo", help="the application's name on the bus")
    parser.add_argument("--tour", action="store_true", help="walk the wizard, Settings and the inspector too")
    parser.add_argument("--max-children", type=int, default=40, help="children printed per object")
    parser.add_argument("--timeout", type=float, default=30, help="seconds to wait for the application")
    args = parser.parse_args()

    app = find_app(args.app, args.timeout)
    if not args.tour:
        for window in windows(app):
            heading(window.name or window.getRoleName())
            walk(window, max_children=args.max_children)
        return
    tour_wizard(app, args.max_children)
    main_window = window_named(app, "mivo")
    heading("main window")
    if main_window is not None:
        walk(main_window, max_children=args.max_children)
    tour_inspector(app, args.max_children)
    tour_settings(app, args.max_children)


if __name__ == "__main__":
    main()
