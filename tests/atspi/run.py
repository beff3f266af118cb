#!/usr/bin/python3
"""Reads the running program through the real accessibility bus (AT-SPI), as a screen reader does.

Usage: run.py <path-to-span-meter>    (DISPLAY must name a running X server with a window manager;
tests/support on PYTHONPATH)

In the session of tests/support/session.py (a session bus of its own and the accessibility bus) it
starts the program, and checks:
the windows' roles, names and reading order; the labels' and pickers' text; buttons pressed through
the Action interface, and a new caption announced as text; a counting seconds label whose text
changes; no more text-changed events than real changes; and the main window active again after
"< Back".
"""
import re
import time

import session
from session import (APP_NAME, ELAPSED_TITLE, MAIN_TITLE, REMAINING_TITLE, check, children,
                     eventually, find, find_application, has_state, press, role, shown_window,
                     text_of, wait_for)


# --- reading the tree -----------------------------------------------------------------------------


def describe(accessible):
    """One line as the dump shows it: role, name, and the text and value a reader can ask for."""
    line = f"{role(accessible)} {accessible.name!r}"
    interfaces = accessible.get_interfaces()
    if "Text" in interfaces:
        line += f" text={text_of(accessible)!r}"
    if "Value" in interfaces:
        line += f" value={accessible.queryValue().currentValue!r}"
    return line


def dump(accessible, depth=0):
    lines = ["  " * depth + describe(accessible)]
    for child in children(accessible):
        lines += dump(child, depth + 1)
    return lines


def outline(accessible, depth=0):
    """Role and name of every node, indented by depth: what the order checks compare."""
    lines = ["  " * depth + f"{role(accessible)} {accessible.name!r}"]
    for child in children(accessible):
        lines += outline(child, depth + 1)
    return lines


# --- the checks -----------------------------------------------------------------------------------


def check_outline(win, expected, what):
    got = outline(win)
    check(got == expected, f"{what}: roles, names and order")
    if got != expected:
        print("  expected:\n    " + "\n    ".join(expected) + "\n  got:\n    " + "\n    ".join(got))


def check_main_window(app):
    main = wait_for("the main window", lambda: shown_window(app, MAIN_TITLE))
    print("\n".join(dump(main)))
    check_outline(main, [
        f"frame {MAIN_TITLE!r}",
        "  panel 'Date'",
        "    spin button 'Date'",
        "  panel 'Time'",
        "    spin button 'Time'",
        f"  push button {ELAPSED_TITLE!r}",
        f"  push button {REMAINING_TITLE!r}",
    ], "main window")
    date_picker = find(main, "spin button", "Date")
    time_picker = find(main, "spin button", "Time")
    for picker in (date_picker, time_picker):
        interfaces = picker.get_interfaces()
        check("Text" in interfaces, f"picker {picker.name!r} offers its text")
        if check("Value" in interfaces, f"picker {picker.name!r} offers a value"):
            check_value_follows_text(picker)
    date_text, time_text = text_of(date_picker), text_of(time_picker)
    check(str(time.localtime().tm_year) in date_text, f"the date picker reads this year: {date_text!r}")
    check(re.fullmatch(r"\d{1,2}:\d{2}:\d{2}", time_text) is not None,
          f"the time picker reads a time of day: {time_text!r}")
    return main, date_text, time_text


def check_value_follows_text(picker):
    """Stepping the picker changes its value with its text, and says so with one event."""
    changes = []

    def heard(event):
        if event.source.name == picker.name:
            changes.append(event.type)

    def listen(seconds):
        GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop())
        pyatspi.Registry.start(gil=False)

    kinds = ["object:property-change:accessible-value", "object:value-changed"]
    pyatspi.Registry.registerEventListener(heard, *kinds)
    listen(0.5)  # the program learns of the new listener before the first step
    action = picker.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]

    def read():
        return (picker.queryValue().currentValue, text_of(picker))

    def do(name):
        action.doAction(names.index(name))
        listen(0.5)

    # Steps stop at a field's end, and the field holds the clock's reading (hour 23, a month's
    # last day): there the steps go down first. A first Increase, taken back, tells.
    before = read()
    do("Increase")
    at_end = read() == before
    if not at_end:
        do("Decrease")
    changes.clear()
    before = read()
    for step in ("Decrease", "Increase") if at_end else ("Increase", "Decrease"):
        do(step)
        now = read()
        check(now[0] != before[0] and now[1] != before[1],
              f"picker {picker.name!r}: {step} changes value and text together: {before} -> {now}")
        before = now
    pyatspi.Registry.deregisterEventListener(heard, *kinds)
    check(len(changes) == 2, f"picker {picker.name!r}: one value-change event a step: {changes}")


def counter_outline(title, frame_caption):
    return [
        f"frame {title!r}",
        "  label 'Date/Time Entered: {moment}'",
        "  label 'Current Date/Time:'",
        f"  panel {frame_caption!r}",
        "    label 'Day(s):'",
        "    label 'Hour(s):'",
        "    label 'Minute(s):'",
        "    label 'Second(s):'",
        "  push button 'Start'",
        "  push button '< Back'",
    ]


def open_counter(app, main, title, frame_caption, moment):
    press(find(main, "push button", re.escape(title)))
    counter = wait_for(f"the {title!r} window", lambda: shown_window(app, title))
    print("\n".join(dump(counter)))
    expected = [line.replace("{moment}", moment) for line in counter_outline(title, frame_caption)]
    check_outline(counter, expected, f"{title!r} window")
    check(not has_state(main, pyatspi.STATE_SHOWING), "the main window is hidden")
    for label in (node for node in walk(counter) if role(node) == "label"):
        check(text_of(label) == label.name, f"label {label.name!r} offers its text")
    return counter


def walk(root):
    yield root
    for child in children(root):
        yield from walk(child)


def listen(seconds):
    """Takes in the bus's events for a while, as a reader's main loop would."""
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start(gil=False)


def count_while_counting(counter):
    start = find(counter, "push button", "Start")
    names = []

    def heard(event):
        names.append(event.any_data)

    kind = "object:property-change:accessible-name"
    pyatspi.Registry.registerEventListener(heard, kind)
    listen(0.5)  # the program learns of the new listener before the press
    press(start)
    eventually("Start now reads Stop", lambda: start.name == "Stop")
    listen(0.5)
    pyatspi.Registry.deregisterEventListener(heard, kind)
    # Qt's bridge sends the button itself for its new name; the program sends the name, on the
    # bridge's own connection and object path, neither of which Qt documents.
    texts = [name for name in names if isinstance(name, str)]
    check("Stop" in texts,
          f"the new name 'Stop' is announced as text ({texts!r}); where it is not, Qt's bridge no "
          "longer names its D-Bus connection 'a11y' or its object paths "
          "'/org/a11y/atspi/accessible/<id>' (src/controls/qtatspibridge.cpp)")
    seconds = find(counter, "label", r"Second\(s\):.*")
    wait_for("the seconds to count", lambda: re.fullmatch(r"Second\(s\): \d+", text_of(seconds)))
    first = text_of(seconds)
    time.sleep(2)
    second = text_of(seconds)
    check(first != second, f"the seconds label changes while counting: {first!r}, then {second!r}")
    check_announcements(counter)


def check_announcements(counter):
    """Listens to the labels for three seconds: each announces only its real changes."""
    events = {}

    def heard(event):
        try:
            key = (event.source.getIndexInParent(), event.source.parent.name, event.type)
        except Exception:
            return
        events.setdefault(key, []).append(event.any_data)

    kinds = ["object:text-changed:insert", "object:text-changed:delete",
             "object:property-change:accessible-name"]
    pyatspi.Registry.registerEventListener(heard, *kinds)
    started = time.monotonic()
    GLib.timeout_add(3000, lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start(gil=False)
    listened = time.monotonic() - started
    pyatspi.Registry.deregisterEventListener(heard, *kinds)

    # A caption follows the clock's second, so no label changes more often than the seconds turn.
    bound = int(listened) + 1
    for (index, parent, kind), heard_list in sorted(events.items()):
        print(f"  {kind} from child {index} of {parent!r}: {len(heard_list)}")
        check(len(heard_list) <= bound,
              f"{kind} from child {index} of {parent!r}: {len(heard_list)} in {listened:.1f} s, "
              f"at most {bound} real changes")
        if kind.endswith("insert"):
            repeats = [a for a, b in zip(heard_list, heard_list[1:]) if a == b]
            example = f", as {repeats[0]!r}" if repeats else ""
            check(not repeats, f"no text announced twice in a row from child {index}: "
                  f"{len(repeats)} repeats{example}")
    frame_name = find(counter, "panel", ".*").name
    seconds_inserts = events.get((3, frame_name, "object:text-changed:insert"), [])
    check(len(seconds_inserts) >= int(listened) - 1,
          f"the seconds label announced its changes: {len(seconds_inserts)} in {listened:.1f} s")


def go_back(app, main, counter):
    title = counter.name
    press(find(counter, "push button", re.escape("< Back")))
    eventually("after < Back the main window is shown and active again",
               lambda: has_state(main, pyatspi.STATE_SHOWING)
               and has_state(main, pyatspi.STATE_ACTIVE))
    eventually(f"the {title!r} window is gone", lambda: shown_window(app, title) is None)


def run_checks(program):
    global pyatspi, GLib
    import pyatspi  # once the accessibility bus is up: before, it would find none
    from gi.repository import GLib

    app = wait_for("the program on the accessibility bus", lambda: find_application(program.pid))
    check(app.name == APP_NAME, f"the application is named by its title: {app.name!r}")
    main, date_text, time_text = check_main_window(app)
    moment = f"{date_text} {time_text}" if time_text.strip("0:") else date_text

    elapsed = open_counter(app, main, ELAPSED_TITLE, "Lapsed", moment)
    count_while_counting(elapsed)
    go_back(app, main, elapsed)

    remaining = open_counter(app, main, REMAINING_TITLE, "Remaining (set Time ahead of now)",
                             moment)
    go_back(app, main, remaining)


def in_session(binary):
    return session.check_program("atspi", binary, run_checks)


if __name__ == "__main__":
    session.main(in_session, __doc__)
