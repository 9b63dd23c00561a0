# Walks the program as a screen reader sees it, through AT-SPI, driving it from the keyboard: every
# tab and menu of the main window, every page of the configuration dialog, the about box, the
# history window and the help. Fails on any control a user can operate without a usable name, on
# what a screen reader would misread (RULES), and when the result, the operation in force or a
# slider's position is not told to the screen reader from where the keyboard is.
#
# Usage: screen_reader_walk.py <program> <source directory>
# (inside a D-Bus session with its accessibility bus, on an X server)

import faulthandler
import glob
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

OPERABLE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_LINK,
    pyatspi.ROLE_SCROLL_BAR,
}
problems = []
events = []


def wait_for(what, test, timeout=15.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):  # lets AT-SPI deliver its events
            pass
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
    subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True, timeout=15)


def shown(obj):
    """Every object shown under obj, obj included."""
    if obj is not None and obj.getState().contains(pyatspi.STATE_SHOWING):
        yield obj
        for index in range(obj.childCount):
            yield from shown(obj.getChildAtIndex(index))


def find(root, role, name=None):
    return next((o for o in shown(root) if o.getRole() == role and name in (None, o.name)), None)


def window(title):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    app = next((a for a in apps if a is not None and a.name == "chiffrel"), None)
    return next((w for w in shown(app) if w.name == title), None) if app else None


def focused(root):
    return next((o for o in shown(root) if o.getState().contains(pyatspi.STATE_FOCUSED)), None)


def text_of(obj):
    return obj.queryText() if "Text" in pyatspi.listInterfaces(obj) else None


def key_binding(obj):
    return obj.queryAction().getKeyBinding(0) if "Action" in pyatspi.listInterfaces(obj) else ""


# What a screen reader would misread, object by object: (the fault, when it holds for obj).
RULES = (
    # A usable name has letters, no access-key marker, and is no object's name.
    ("without a usable name", lambda obj, names: obj.getRole() in OPERABLE and (
        not any(c.isalpha() for c in obj.name) or "&" in obj.name or obj.name in names)),
    ("shows an object's name", lambda obj, names: text_of(obj) is not None
     and text_of(obj).getText(0, -1) in names),
    # A frame is a window to a screen reader: a panel inside one is taken for it.
    ("is a frame inside a window", lambda obj, names: obj.getRole() == pyatspi.ROLE_FRAME
     and obj.parent.getRole() != pyatspi.ROLE_APPLICATION),
    # Runs of attributes that end before the text does lose its last character when joined.
    ("has text attributes that leave its end out", lambda obj, names: obj.getRole()
     == pyatspi.ROLE_TEXT and text_of(obj).characterCount > 0 and text_of(obj).getAttributeRun(
         text_of(obj).characterCount - 1, False)[2] != text_of(obj).characterCount),
    ("is a slider whose position is not told in words", lambda obj, names: obj.getRole()
     == pyatspi.ROLE_SLIDER and not re.fullmatch(r"Position : \S.*", obj.description)),
    # A document is read by line from its caret: it needs its text and a caret in it.
    ("is a document without a text to read", lambda obj, names: obj.getRole()
     == pyatspi.ROLE_DOCUMENT_FRAME and (text_of(obj) is None or text_of(obj).characterCount == 0
                                         or text_of(obj).caretOffset < 0)),
    # The memory is shown nowhere: its keys tell it.
    ("is a memory key that does not tell the memory", lambda obj, names: obj.name in (
        "Mem+", "Mem-", "R.Mem") and not re.fullmatch(r"Mémoire : -?\d+\.\d\d", obj.description)),
    # Mnemonic, path and shortcut: a lone key is taken for the path and never spoken.
    ("is a menu item whose shortcut goes unsaid", lambda obj, names: obj.getRole()
     == pyatspi.ROLE_MENU_ITEM and "+" in key_binding(obj) and key_binding(obj).count(";") != 2),
)


def check_names(place, root, names):
    for obj in shown(root):
        for fault, holds in RULES:
            if holds(obj, names):
                problems.append(f"{place}: {obj.getRoleName()} {obj.name!r} {fault}")
    # One place has the keyboard: a page tab that claims it too takes the screen reader away.
    keyboard = [o for o in shown(root) if o.getState().contains(pyatspi.STATE_FOCUSED)]
    if len(keyboard) > 1:
        problems.append(f"{place}: {len(keyboard)} objects focused: {[o.name for o in keyboard]}")


def open_window(keys, title):
    """Gives the main window the keyboard, as a window manager does, and opens a window there."""
    main = wait_for("the main window on the X server", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^Chiffrel$"], capture_output=True,
        text=True).stdout)
    if not main:
        return None
    subprocess.run(["xdotool", "windowfocus", "--sync", main.split()[0]], check=True, timeout=15)
    if keys:
        key(*keys)
    return wait_for(f"the window {title!r}", lambda: window(title))


def told(kind, source_name, data):
    return any(e.type == kind and e.source.name == source_name and e.any_data == data
               for e in events)


def walk_main_window(names):
    main = open_window([], "Chiffrel")
    amount = main and wait_for("the keyboard in the amount field", lambda: focused(main)
                               if focused(main).getRole() == pyatspi.ROLE_TEXT else None)
    if amount is None:
        return
    if not any(re.fullmatch(r"Horloge : \d\d:\d\d", o.name) for o in shown(main)):
        problems.append("the clock does not tell the time it shows")
    # Each new result is heard from the amount field, where the user goes on typing.
    subprocess.run(["xdotool", "type", "--delay", "120", "100"], check=True, timeout=15)
    wait_for("the result told from the amount field", lambda: told(
        "object:property-change:accessible-description", amount.name,
        "Résultat : 120.60 francs, Taxe = 20.60"))
    # Each tab: a control the keyboard goes to, a key there, and what is then told from where
    # the keyboard lands (an arrow on a radio button checks the next one and stays there; Enter
    # moves the result into the first value and the keyboard into the second; the copy button
    # gives the keyboard back to the amount field).
    for tab_key, tab, role, control, action, teller, told_text in (
            ("F5", "T.V.A.", pyatspi.ROLE_RADIO_BUTTON, "TVA 20.6 %", "Down", "TVA 5.50 %",
             "Résultat : 105.50 francs, Taxe = 5.50"),
            ("F6", "Calculs", pyatspi.ROLE_TEXT, "Deuxième valeur, PLUS (+)", "Return",
             "Deuxième valeur, PLUS (+)", "Deuxième valeur, PLUS (+). Première valeur : 100.00"),
            ("F6", "Calculs", pyatspi.ROLE_SLIDER, "Opération", "Down", "Opération",
             "Position : MOINS (-)"),
            ("F7", "Conv.", pyatspi.ROLE_RADIO_BUTTON, "FRANCS vers EURO", "Down",
             "EURO vers FRANCS", "Résultat : 647.5510 francs"),
            ("F8", "TEG", pyatspi.ROLE_TEXT, "Première valeur : Saisie du montant en Francs",
             "alt+p", "Première valeur : Saisie du montant en Francs", "Résultat copié : 0")):
        key(tab_key)
        if wait_for(tab, lambda: find(main, pyatspi.ROLE_PAGE_TAB_LIST).name == tab):
            check_names(tab, main, names)
        find(main, role, control).queryComponent().grabFocus()
        wait_for(f"{control} focused", lambda: focused(main).name == control)
        key(action)
        wait_for(f"{told_text!r} told from {teller}", lambda: told(
            "object:property-change:accessible-description", teller, told_text))
        if control == "Opération":  # the operation in force is a checked item
            wait_for("MOINS (-) told checked", lambda: any(
                e.type == "object:state-changed:checked" and e.detail1 == 1
                and e.source.name == "MOINS (-)" for e in events))
    for access_key, title in (("alt+f", "Fichiers"), ("alt+o", "Onglets"),
                              ("alt+question", "Aide et à propos")):
        key(access_key)
        menu = wait_for(title, lambda: find(find(main, pyatspi.ROLE_MENU_ITEM, title),
                                            pyatspi.ROLE_POPUP_MENU))
        check_names(f"menu {title}", menu, names)
        if menu and menu.getChildAtIndex(0).description != f"Menu {title}":  # heard as it opens
            problems.append(f"menu {title}: its first item does not name it")
        key("Escape")  # closes the menu; the menu bar keeps the keyboard until the next access key
        wait_for(f"{title} closed", lambda: not find(main, pyatspi.ROLE_POPUP_MENU))


def close(title):
    key("Escape")
    wait_for(f"{title!r} closed", lambda: window(title) is None)


def walk_other_windows(names):
    dialog = open_window(["ctrl+c"], "Configuration")
    for page in ("Conversions", "Pourcentages", "Réglages", "T.E.G."):
        if dialog and wait_for(page, lambda: find(dialog, pyatspi.ROLE_PAGE_TAB_LIST).name == page):
            check_names(f"Configuration, {page}", dialog, names)
            key("ctrl+Tab")
    close("Configuration")
    for access_key, title in (("p", "A propos de La Chiffrel..."),
                              ("h", "Historique de construction de l'application Chiffrel")):
        check_names(title, open_window(["alt+question", access_key], title), names)
        close(title)
    # Last: the help window stays open, Escape being its text's.
    help_window = open_window(["F1"], "Aide de Chiffrel")
    check_names("Aide de Chiffrel", help_window, names)
    if help_window and help_window.getRole() != pyatspi.ROLE_DOCUMENT_FRAME:
        problems.append(f"the help is a {help_window.getRoleName()}, not a document read by line")


def main():
    faulthandler.dump_traceback_later(120, exit=True)  # a hang says where it hangs
    program, source_dir = sys.argv[1:3]
    names = set()
    for path in glob.glob(f"{source_dir}/**/*.ui", recursive=True):
        with open(path, encoding="utf-8") as form:
            names.update(re.findall(r'<(?:widget|action)\b[^>]*\bname="([^"]+)"', form.read()))
    # Listening before the program starts: it learns at its start what its listeners want.
    pyatspi.Registry.registerEventListener(events.append,
                                           "object:property-change:accessible-description",
                                           "object:state-changed:checked")
    with subprocess.Popen([program]) as running:
        try:
            walk_main_window(names)
            walk_other_windows(names)
        finally:
            running.terminate()
    for problem in problems:
        print(f"FAIL: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
