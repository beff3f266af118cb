#!/usr/bin/python3
"""Types into the pickers on real keyboard layouts and reads their values through AT-SPI.

Usage: tests/e2e/xserver.sh keyboards.py <path-to-span-meter>    (tests/support on PYTHONPATH)

It runs in an X server of its own (xserver.sh starts it), so changing the keyboard layout touches
no other display. For each of the US, German and French layouts (setxkbmap) the program runs in the
matching locale; xdotool types as a keyboard does, Shift and AltGr arriving as keys of their own,
and both pickers' text is read back through the accessibility bus of tests/support/session.py.
"""
import os
import re
import subprocess

import session
from session import MAIN_TITLE

KEY_DELAY_MS = "40"

# AltGr pressed alone, and Caps Lock on and off again, in the middle of a field.
BARE_KEYS = [["key", "ISO_Level3_Shift"], ["key", "Caps_Lock"], ["key", "Caps_Lock"]]

# layout, locale, then rows: what is done (xdotool commands), and the date and time text after it.
# Each layout's rows run in order in one program: focus starts in the date picker's first field.
# "{half}" is the time picker's AM/PM marker as the program started, which typed digits keep, with
# the gap before it: a blank in older locale data, a narrow no-break space in newer.
# ["see", TEXT] waits until a picker shows TEXT while typing is under way: after it, a row whose
# value must come back as it was cannot pass before its last keys have arrived.
TABLE = [
    ("us", "en_US.UTF-8", [
        ("a date with its separators", [["type", "4/3/2024"]], "4/3/2024", None),
        ("a time with : keeps the half of the day",
         [["key", "Tab"], ["type", "10:20:30"], ["key", "Return"]], "4/3/2024", "10:20:30{half}"),
        ("Up right after a field moved on by itself",
         [["key", "Home"], ["type", "9"], *BARE_KEYS, ["type", "35"], ["key", "Up"]],
         "4/3/2024", "9:35:31{half}"),
        ("Escape puts back the value", [["key", "Home"], ["type", "11:4"],
                                        ["see", "11:4:31{half}"], ["key", "Escape"]],
         "4/3/2024", "9:35:31{half}"),
        ("Backspace takes back a digit",
         [["key", "shift+Tab"], ["key", "Home"], ["type", "6/5/203"], ["key", "BackSpace"],
          ["type", "24"]], "6/5/2024", "9:35:31{half}"),
        ("a three-digit year, then Tab", [["type", "198"], ["see", "6/5/198"], ["key", "Tab"]],
         "6/5/2024",
         "9:35:31{half}"),
    ]),
    ("de", "de_DE.UTF-8", [
        ("a date with its separators", [["type", "03.04.2024"]], "03.04.2024", None),
        ("a time with :", [["key", "Tab"], ["type", "10:20:30"]], "03.04.2024", "10:20:30"),
        ("Up right after a field moved on by itself",
         [["key", "Home"], ["type", "9"], *BARE_KEYS, ["type", "35"], ["key", "Up"]],
         "03.04.2024", "09:35:31"),
        ("Escape puts back the value", [["key", "Home"], ["type", "11:4"],
                                        ["see", "11:4:31"], ["key", "Escape"]],
         "03.04.2024", "09:35:31"),
        ("Backspace takes back a digit",
         [["key", "shift+Tab"], ["key", "Home"], ["type", "05.06.203"], ["key", "BackSpace"],
          ["type", "24"]], "05.06.2024", "09:35:31"),
        ("a three-digit year, then Tab", [["type", "198"], ["see", "05.06.198"], ["key", "Tab"]],
         "05.06.2024",
         "09:35:31"),
    ]),
    ("fr", "fr_FR.UTF-8", [
        ("AZERTY digits and a date's separators", [["type", "03/04/2024"]], "03/04/2024", None),
        ("a time with :", [["key", "Tab"], ["type", "10:20:30"]], "03/04/2024", "10:20:30"),
        ("Up right after a field moved on by itself",
         [["key", "Home"], ["type", "9"], *BARE_KEYS, ["type", "35"], ["key", "Up"]],
         "03/04/2024", "09:35:31"),
        ("Escape puts back the value", [["key", "Home"], ["type", "11:4"],
                                        ["see", "11:4:31"], ["key", "Escape"]],
         "03/04/2024", "09:35:31"),
        ("Backspace takes back a digit",
         [["key", "shift+Tab"], ["key", "Home"], ["type", "05/06/203"], ["key", "BackSpace"],
          ["type", "24"]], "05/06/2024", "09:35:31"),
        ("a three-digit year, then Tab", [["type", "198"], ["see", "05/06/198"], ["key", "Tab"]],
         "05/06/2024",
         "09:35:31"),
        ("a dead key, then digits", [["key", "dead_circumflex"], ["type", "10:20:30"]],
         "05/06/2024", "10:20:30"),
    ]),
]


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def press(command):
    verb, what = command
    if verb == "type":
        xdotool("type", "--delay", KEY_DELAY_MS, what)
    else:
        xdotool("key", "--delay", KEY_DELAY_MS, what)


def main_window_id(pid):
    found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
                            "--name", f"^{MAIN_TITLE}$"], capture_output=True, text=True)
    return found.stdout.split()[0] if found.stdout.split() else None


def run_layout(binary, layout, locale, rows):
    subprocess.run(["setxkbmap", "-display", os.environ["DISPLAY"], layout], check=True)
    runtime = os.environ["XDG_RUNTIME_DIR"]
    env = session.program_env(runtime, LC_ALL=locale, LANG=locale, QT_QPA_PLATFORM="xcb")
    program = subprocess.Popen([binary], env=env, cwd=runtime,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # The application is looked up afresh each time: one found before its window was
        # shown may never list it.
        main = session.wait_for("the main window", lambda: session.shown_window(
            session.find_application(program.pid), MAIN_TITLE))
        window = session.wait_for("the main window on the X server",
                                  lambda: main_window_id(program.pid))
        xdotool("windowactivate", "--sync", window)
        date_picker = session.find(main, "spin button", "Date")
        time_picker = session.find(main, "spin button", "Time")
        session.wait_for("the date picker to hold the focus",
                         lambda: session.has_state(date_picker, session.pyatspi.STATE_FOCUSED))
        marker = re.search(r"\s\S+$", session.text_of(time_picker))
        half = marker.group() if marker else ""
        for name, commands, date_text, time_text in rows:
            expected_time = time_text.replace("{half}", half) if time_text else None
            for command in commands:
                if command[0] == "see":
                    typed = command[1].replace("{half}", half)
                    session.eventually(f"{layout}, {locale}: {name}: {typed!r} shown while typing",
                                       lambda: typed in (session.text_of(date_picker),
                                                         session.text_of(time_picker)),
                                       timeout=10)
                else:
                    press(command)

            def shown():
                seen = (session.text_of(date_picker), session.text_of(time_picker))
                return seen[0] == date_text and expected_time in (None, seen[1])

            reached = session.eventually(f"{layout}, {locale}: {name}: date {date_text!r}"
                                         + (f", time {expected_time!r}" if expected_time else ""),
                                         shown, timeout=10)
            if not reached:
                print(f"  shown: date {session.text_of(date_picker)!r},"
                      f" time {session.text_of(time_picker)!r}", flush=True)
    except (TimeoutError, RuntimeError, subprocess.CalledProcessError) as error:
        session.check(False, f"{layout}, {locale}: {error}")
        print(f"  the program {'has ended' if program.poll() is not None else 'runs'};"
              f" the registry lists: {session.applications_seen()}", flush=True)
    finally:
        session.stop(program.pid)


def in_session(binary):
    try:
        with session.accessibility_bus("typing"):
            for layout, locale, rows in TABLE:
                run_layout(binary, layout, locale, rows)
    except (TimeoutError, RuntimeError) as error:
        session.check(False, str(error))
    return session.summary("typing")


if __name__ == "__main__":
    session.main(in_session, __doc__)
