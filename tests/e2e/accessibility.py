#!/usr/bin/python3
# Reads the running program's document over the accessibility bus as a screen reader does, and follows its
# caret while keys are pressed. Arguments: the text the document holds, the xdotool window id.
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

doc, window = sys.argv[1], sys.argv[2]
results = []


def check(what, got, expected):
    print(f"{what}: {got!r}" + ("" if got == expected else f"  EXPECTED {expected!r}"))
    results.append(got == expected)


def find(obj, depth=0):
    if obj is None or depth > 20:
        return None
    if obj.getRole() == pyatspi.ROLE_TEXT and obj.getState().contains(pyatspi.STATE_MULTI_LINE):
        return obj
    return next((hit for hit in (find(child, depth + 1) for child in obj) if hit), None)


def application():
    for _ in range(100):   # the program joins the bus a moment after its window shows
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "penwick"), None)
        if app:
            return app
        time.sleep(0.1)
    sys.exit("penwick is not on the accessibility bus")


view = find(application()) or sys.exit("no multi-line text object")
text = view.queryText()
second = doc.index("\n") + 1
line = doc[second:doc.index("\n", second)]
end = second + len(line)
check("editable", view.getState().contains(pyatspi.STATE_EDITABLE), True)
check("whole text", (text.characterCount, text.getText(0, -1)), (len(doc), doc))
check("line at offset", text.getTextAtOffset(second + 3, pyatspi.TEXT_BOUNDARY_LINE_START), (line, second, end))
check("word at offset", text.getTextAtOffset(second + 1, pyatspi.TEXT_BOUNDARY_WORD_START), ("second", second, second + 6))
check("caret", text.caretOffset, 0)

heard = []


def listen(event):
    if event.source == view:
        heard.append((event.type, event.detail1, event.any_data if "text-changed" in event.type else None))


def press(*keys):
    for action, key in keys:
        subprocess.run(["xdotool", action, "--window", window, key], check=True)


def pump(seconds, done=lambda: False):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and not done():
        GLib.MainContext.default().iteration(False) or time.sleep(0.01)


def carets():
    return [e[1] for e in heard if e[0] == "object:text-caret-moved"]


# The program asks which events are wanted some time after a listener comes: nudge the caret until one is heard.
pyatspi.Registry.registerEventListener(listen, "object:text-caret-moved", "object:text-changed")
for _ in range(40):
    press(("key", "Right"), ("key", "Left"))
    pump(0.5, lambda: heard)
    if heard:
        break
pump(0.5)
heard.clear()
press(("key", "Down"), ("key", "End"), ("type", "Z"))
pump(10, lambda: len(carets()) >= 3)
check("caret moves heard", carets(), [second, end, end + 1])
check("typing heard", [e[1:] for e in heard if e[0] == "object:text-changed:insert"], [(end, "Z")])
check("caret after typing", text.caretOffset, end + 1)
print(f"{results.count(True)} passed, {results.count(False)} failed")
sys.exit(0 if all(results) else 1)
