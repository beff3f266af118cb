#!/usr/bin/python3
"""The installed program's smoke test, read through the accessibility bus as a screen reader reads
it: the main window shows; Count Time Elapsed opens its counter; after Start the seconds count.

Usage: smoke.py /usr/bin/span-meter    (DISPLAY names an X server; tests/support on PYTHONPATH)
"""
import re

import session
from session import (ELAPSED_TITLE, MAIN_TITLE, check, eventually, find, find_application,
                     press, shown_window, text_of, wait_for)

COUNTED_SECONDS = r"Second\(s\): \d+"


def open_counter_and_count(program):
    try:
        app = wait_for("the program on the accessibility bus",
                       lambda: find_application(program.pid))
    except TimeoutError:
        print(f"the program's exit status: {program.poll()}; the registry lists: "
              f"{session.applications_seen()}", flush=True)
        raise
    main = wait_for("the main window", lambda: shown_window(app, MAIN_TITLE))
    press(find(main, "push button", re.escape(ELAPSED_TITLE)))
    counter = wait_for("the counter window", lambda: shown_window(app, ELAPSED_TITLE))
    seconds = find(counter, "label", r"Second\(s\):.*")
    check(not re.fullmatch(COUNTED_SECONDS, text_of(seconds)),
          f"no count before Start: {text_of(seconds)!r}")
    press(find(counter, "push button", "Start"))
    first = wait_for("a count", lambda: re.fullmatch(COUNTED_SECONDS, text_of(seconds)))[0]
    eventually(f"the seconds count on from {first!r}",
               lambda: text_of(seconds) != first
               and re.fullmatch(COUNTED_SECONDS, text_of(seconds)))


def in_session(binary):
    return session.check_program("smoke", binary, open_counter_and_count)


if __name__ == "__main__":
    session.main(in_session, __doc__)
