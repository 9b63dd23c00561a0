"""Walks the running program the way a screen reader sees it, through AT-SPI, driving it from the
keyboard alone: every tab of the main window, its menus, every page of the configuration dialog,
the about box and the history window. Fails on any control a user can operate that has no usable
name, on anything shown under a name that is only an object's name, and when the result, the
chosen operation or the history text cannot be followed without a mouse.

Usage: screen_reader_walk.py <program> <source directory>
(inside a D-Bus session with its accessibility bus, on an X server)
"""

import faulthandler
import glob
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

# Roles of the controls a user can operate.
OPERABLE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM,
    pyatspi.ROLE_MENU, pyatspi.ROLE_LINK, pyatspi.ROLE_SCROLL_BAR,
}
OPERATIONS = ["PLUS (+)", "MOINS (-)", "MULT (x)", "DIV (/)"]
TIMEOUT = 15.0

problems = []
events = []


def object_names(source_dir):
    """The names the program gives its objects: those of the forms and those set in code."""
    names = set()
    for path in glob.glob(f"{source_dir}/**/*.ui", recursive=True):
        with open(path, encoding="utf-8") as form:
            names.update(re.findall(r'<(?:widget|action)\b[^>]*\bname="([^"]+)"', form.read()))
    for path in glob.glob(f"{source_dir}/**/*.cpp", recursive=True):
        with open(path, encoding="utf-8") as source:
            names.update(re.findall(r'setObjectName\(QStringLiteral\("([^"]+)"\)\)', source.read()))
    return names


def pump(seconds=0.0):
    """Lets AT-SPI deliver its events for a while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(what, test):
    end = time.monotonic() + TIMEOUT
    while time.monotonic() < end:
        pump()
        try:
            found = test()
        except Exception:  # an object went away while being looked at
            found = None
        if found:
            return found
        time.sleep(0.1)
    problems.append(f"timed out waiting for {what}")
    return None


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True, timeout=TIMEOUT)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "120", text], check=True, timeout=TIMEOUT)


def states(obj):
    return obj.getState()


def showing(obj):
    return states(obj).contains(pyatspi.STATE_SHOWING)


def descendants(obj):
    """Every shown object under obj, obj included."""
    if obj is None or not showing(obj):
        return
    yield obj
    for index in range(obj.childCount):
        yield from descendants(obj.getChildAtIndex(index))


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == "chiffrel":
            return app
    return None


def window(name):
    app = application()
    if app is None:
        return None
    for index in range(app.childCount):
        top = app.getChildAtIndex(index)
        if top is not None and top.name == name and showing(top):
            return top
    return None


def find(root, role, name=None):
    for obj in descendants(root):
        if obj.getRole() == role and (name is None or obj.name == name):
            return obj
    return None


def focused(root):
    for obj in descendants(root):
        if states(obj).contains(pyatspi.STATE_FOCUSED) and obj.getRole() != pyatspi.ROLE_PAGE_TAB:
            return obj
    return None


def shown_text(obj):
    try:
        text = obj.queryText()
    except NotImplementedError:
        return ""
    return text.getText(0, text.characterCount)


def usable(name, names):
    """A name a user can make sense of: some letters, no access-key marker, no object name."""
    return any(c.isalpha() for c in name) and "&" not in name and name.strip() not in names


def check_names(place, root, names):
    for obj in descendants(root):
        role = obj.getRoleName()
        if obj.getRole() in OPERABLE and not usable(obj.name, names):
            problems.append(f"{place}: {role} without a usable name: {obj.name!r}")
        for shown in (obj.name, shown_text(obj)):
            if shown.strip() in names:
                problems.append(f"{place}: {role} shows the object name {shown!r}")


def record(event):
    events.append((event.type, event.source, event.detail1, event.any_data))


def spoken_description(field, text):
    return any(kind.startswith("object:property-change:accessible-description")
               and source == field and data == text for kind, source, _, data in events)


def walk_main_window(names):
    main = wait_for("the main window", lambda: window("Chiffrel"))
    if main is None or not focus_main_window():
        return False
    amount = wait_for("the focus in the amount field",
                      lambda: focused(main) if focused(main).getRole() == pyatspi.ROLE_TEXT else None)
    if amount is None:
        return False
    check_names("T.V.A.", main, names)
    if not any(re.fullmatch(r"Horloge : \d\d:\d\d", obj.name) for obj in descendants(main)):
        problems.append("the clock does not tell the time it shows")

    # A new result is heard from the amount field, where the user keeps typing.
    type_text("100")
    expected = "Résultat : 120.60 francs, Taxe = 20.60"
    if wait_for(f"the result spoken as {expected!r}",
                lambda: spoken_description(amount, expected)) is None:
        problems.append(f"descriptions told: {[e[3] for e in events if 'description' in e[0]]}")

    for tab_key, tab in (("F6", "Calculs"), ("F7", "Conv."), ("F8", "TEG")):
        key(tab_key)
        if wait_for(f"the {tab} tab", lambda: find(main, pyatspi.ROLE_PAGE_TAB_LIST).name == tab):
            check_names(tab, main, names)
        if tab == "Calculs":
            check_operations(main)
    return True


def chosen_operations(main):
    return [op for op in OPERATIONS
            if states(find(main, pyatspi.ROLE_RADIO_BUTTON, op)).contains(pyatspi.STATE_CHECKED)]


def check_operations(main):
    """The operation in force is a checked item, and a new one is told when the slider moves."""
    if chosen_operations(main) != ["PLUS (+)"]:
        problems.append(f"operations checked at start: {chosen_operations(main)}")
        return
    slider = find(main, pyatspi.ROLE_SLIDER, "Opération")
    slider.queryComponent().grabFocus()
    wait_for("the focus on the operation slider", lambda: focused(main) == slider)
    key("Down")
    moved = wait_for("another operation checked",
                     lambda: chosen_operations(main) if chosen_operations(main) != ["PLUS (+)"]
                     else None)
    if moved is None or len(moved) != 1:
        problems.append(f"operations checked after a move: {moved}")
        return
    wait_for(f"a checked-state change told for {moved[0]}",
             lambda: any(kind == "object:state-changed:checked" and detail == 1
                         and source.name == moved[0] for kind, source, detail, _ in events))
    amount = wait_for("the focus back in the amount field", lambda: focused(main))
    if amount is None or moved[0] not in amount.name:
        problems.append(f"the amount field does not name the operation: {amount and amount.name!r}")


def walk_menus(names):
    main = window("Chiffrel")
    for access_key, menu in (("alt+f", "Fichiers"), ("alt+o", "Onglets"),
                             ("alt+question", "Aide et à propos")):
        key(access_key)
        title = find(main, pyatspi.ROLE_MENU_ITEM, menu)
        opened = wait_for(f"the menu {menu}", lambda: find(title, pyatspi.ROLE_POPUP_MENU))
        if opened is not None:
            check_names(f"menu {menu}", opened, names)
            # One Escape closes the menu; another would quit the program.
            key("Escape")
            wait_for(f"the menu {menu} closed", lambda: not showing(opened))


def focus_main_window():
    """Gives the main window the keyboard, as a window manager does when a dialog closes."""
    found = wait_for("the main window on the X server", lambda: subprocess.run(
        ["xdotool", "search", "--name", "^Chiffrel$"], capture_output=True, text=True).stdout)
    if found:
        subprocess.run(["xdotool", "windowfocus", "--sync", found.split()[0]], check=True,
                       timeout=TIMEOUT)
    return bool(found)


def open_window(keys, title):
    if not focus_main_window():
        return None
    key(*keys)
    return wait_for(f"the window {title!r}", lambda: window(title))


def close_window(title):
    key("Escape")
    wait_for(f"{title!r} closed", lambda: window(title) is None)


def walk_configuration(names):
    dialog = open_window(["F5", "ctrl+c"], "Configuration")
    if dialog is None:
        return
    for page in ("Conversions", "Pourcentages", "Réglages", "T.E.G."):
        if wait_for(f"the page {page}",
                    lambda: find(dialog, pyatspi.ROLE_PAGE_TAB_LIST).name == page):
            check_names(f"Configuration, {page}", dialog, names)
        key("ctrl+Tab")
    close_window("Configuration")


def walk_about_box(names):
    title = "A propos de La Chiffrel..."
    box = open_window(["alt+question", "p"], title)
    if box is None:
        return
    check_names("about box", box, names)
    for link in ("http://www.chiffrel.invalid/", "support@chiffrel.invalid"):
        key("Tab")
        reached = wait_for(f"the link {link} focused", lambda: focused(box))
        if reached is None or reached.getRole() != pyatspi.ROLE_LINK or reached.name != link:
            problems.append(f"Tab reached {reached and reached.name!r}, not the link {link}")
    close_window(title)


def walk_history(names):
    title = "Historique de construction de l'application Chiffrel"
    history = open_window(["alt+question", "h"], title)
    if history is None:
        return
    check_names("history window", history, names)
    text = find(history, pyatspi.ROLE_TEXT, "Historique de développement")
    key("ctrl+End")
    if wait_for("the history read to its end from the keyboard",
                lambda: focused(history) == text
                and text.queryText().caretOffset == text.queryText().characterCount) is None:
        problems.append("Ctrl+End did not take the keyboard to the end of the history")
    close_window(title)


def main():
    # A walk that hangs says where before the test's time runs out.
    faulthandler.dump_traceback_later(120, exit=True)
    program, source_dir = sys.argv[1:3]
    names = object_names(source_dir)
    # Listening before the program starts: it learns at its start what its listeners want.
    pyatspi.Registry.registerEventListener(record, "object:property-change:accessible-description",
                                           "object:state-changed:checked")
    pump(0.5)
    with subprocess.Popen([program], stdout=sys.stderr, stderr=sys.stderr) as running:
        try:
            if walk_main_window(names):
                walk_menus(names)
                walk_configuration(names)
                walk_about_box(names)
                walk_history(names)
        finally:
            running.terminate()
    for problem in problems:
        print(f"FAIL: {problem}")
    if not problems:
        print("Every control of every window has a usable name, and the keyboard reaches it.")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
