#!/usr/bin/python3
# Reads the running program's document over the accessibility bus as a screen reader does, and follows its
# caret while keys are pressed. Arguments: the text the document holds, the xdotool window id.
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

doc, window = sys.argv[1], sys.argv[2]
failed = []
passed = 0


def check(what, got, expected):
    global passed
    print(f"{what}: {got!r}")
    if got == expected:
        passed += 1
    else:
        failed.append(what)
        print(f"  expected {expected!r}", file=sys.stderr)


def find(obj, depth=0):
    if obj is None or depth > 20:
        return None
    states = obj.getState()
    if obj.getRole() == pyatspi.ROLE_TEXT and states.contains(pyatspi.STATE_MULTI_LINE):
        return obj
    for child in obj:
        hit = find(child, depth + 1)
        if hit:
            return hit
    return None


app = None
for _ in range(100):   # the program joins the bus a moment after its window shows
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "penwick"), None)
    if app:
        break
    time.sleep(0.1)
if app is None:
    print("penwick is not on the accessibility bus", file=sys.stderr)
    sys.exit(1)
view = find(app)
if view is None:
    print("no multi-line text object", file=sys.stderr)
    sys.exit(1)
text = view.queryText()
states = view.getState()
check("editable, focusable", states.contains(pyatspi.STATE_EDITABLE) and states.contains(pyatspi.STATE_FOCUSABLE), True)
check("character count", text.characterCount, len(doc))
check("whole text", text.getText(0, -1), doc)
second = doc.index("\n") + 1
line = doc[second:doc.index("\n", second)]
check("line at offset", text.getTextAtOffset(second + 3, pyatspi.TEXT_BOUNDARY_LINE_START),
      (line, second, second + len(line)))
word = line.split(" ")[0]
check("word at offset", text.getTextAtOffset(second + 1, pyatspi.TEXT_BOUNDARY_WORD_START),
      (word, second, second + len(word)))
check("caret", text.caretOffset, 0)

heard = []


def listen(event):
    if event.source == view:
        heard.append((event.type, event.detail1, event.any_data if "text-changed" in event.type else None))


def press(*keys):
    for action, key in keys:
        subprocess.run(["xdotool", action, "--window", window, key], check=True)


# The program asks the registry which events are wanted some time after a listener comes: nudge the caret until
# it is heard and the events settle, then press the keys under test and wait for what they should tell.
end = second + len(line)
state = {"stage": "nudge", "deadline": time.monotonic() + 20, "seen": 0, "quiet": 0}


def step():
    if time.monotonic() > state["deadline"]:
        pyatspi.Registry.stop()
        return False
    if state["stage"] == "nudge":
        if heard:
            state["stage"] = "settle"
        else:
            press(("key", "Right"), ("key", "Left"))
    elif state["stage"] == "settle":
        state["quiet"] = state["quiet"] + 1 if len(heard) == state["seen"] else 0
        state["seen"] = len(heard)
        if state["quiet"] >= 2:
            heard.clear()
            state["stage"] = "test"
            press(("key", "Down"), ("key", "End"), ("type", "Z"))
    elif len([e for e in heard if e[0] == "object:text-caret-moved"]) >= 3:
        pyatspi.Registry.stop()
        return False
    return True


pyatspi.Registry.registerEventListener(listen, "object:text-caret-moved", "object:text-changed")
GLib.timeout_add(300, step)
pyatspi.Registry.start()
for event in heard:
    print("heard", event)
check("caret moves heard", [e[1] for e in heard if e[0] == "object:text-caret-moved"], [second, end, end + 1])
check("typing heard", [(e[1], e[2]) for e in heard if e[0].startswith("object:text-changed:insert")], [(end, "Z")])
check("caret after typing", text.caretOffset, end + 1)
print(f"{passed} passed, {len(failed)} failed")
sys.exit(1 if failed else 0)
