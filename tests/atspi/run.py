#!/usr/bin/python3
"""Reads the running program through the real accessibility bus (AT-SPI), as a screen reader does.

Usage: run.py <path-to-span-meter>    (DISPLAY must name a running X server with a window manager)

It runs in a session bus of its own, starts the accessibility bus, then the program, and checks:
the windows' roles, names and reading order; the labels' and pickers' text; buttons pressed through
the Action interface, and a new caption announced as text; a counting seconds label whose text changes; no more text-changed events
than real changes; and the main window active again after "< Back". Debian's python3 is needed:
it has gi and pyatspi.
"""
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAIT = 30  # seconds for the buses, the program or a window; sanitizer-free but CI machines are slow
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
APP_NAME = "Tallyglass Hourwick Span Meter for"
MAIN_TITLE = "Tallyglass Hourwick Span Meter for Clockwise Reckoning"
ELAPSED_TITLE = "Count Time Elapsed"
REMAINING_TITLE = "Count Remaining Time"

failures = []


def check(condition, what):
    print(("PASS: " if condition else "FAIL: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def take_in_bus_messages():
    """Lets the accessibility library take in what the bus sent meanwhile (applications and
    windows that came or went), as a reader's main loop would; it keeps its lists from them."""
    glib = sys.modules.get("gi.repository.GLib")
    if glib is not None:
        context = glib.MainContext.default()
        while context.pending():
            context.iteration(False)


def wait_for(what, probe, timeout=WAIT):
    """Polls probe() until it returns something true; fails the run after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        take_in_bus_messages()
        try:
            result = probe()
        except Exception:  # the object may vanish or not answer yet; ask again
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(0.1)


def eventually(what, probe, timeout=WAIT):
    """Passes when probe() turns true within timeout seconds."""
    try:
        result = wait_for(what, probe, timeout)
    except TimeoutError:
        result = None
    check(bool(result), what)
    return result


# --- the buses -----------------------------------------------------------------------------------


def session_call(service, path, interface, method, reply, arguments=None):
    from gi.repository import Gio, GLib

    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    parameters = GLib.Variant("(s)", arguments) if arguments else None
    result = bus.call_sync(service, path, interface, method, parameters, GLib.VariantType(reply),
                           Gio.DBusCallFlags.NONE, 2000, None)
    return result.unpack()


def bus_answers(address):
    from gi.repository import Gio

    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
             | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    try:
        Gio.DBusConnection.new_for_address_sync(address, flags, None, None).close_sync(None)
        return True
    except Exception:
        return False


def root_bus_property():
    """The accessibility bus address the X root window advertises, or None."""
    out = subprocess.run(["xprop", "-root", "AT_SPI_BUS"], capture_output=True, text=True).stdout
    found = re.search(r'= "(.*)"', out)
    return found.group(1) if found else None


def remove_root_bus_property():
    subprocess.run(["xprop", "-root", "-remove", "AT_SPI_BUS"], check=False)


def stop(pid):
    """Ends one process we started, by its id, and waits for it."""
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    for _ in range(50):
        try:
            if os.waitpid(pid, os.WNOHANG)[0] == pid:
                return
        except ChildProcessError:  # not ours to reap: watch it end instead
            if not os.path.exists(f"/proc/{pid}"):
                return
        time.sleep(0.1)
    os.kill(pid, signal.SIGKILL)


# --- reading the tree -----------------------------------------------------------------------------


def children(accessible):
    return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]


def has_state(accessible, state):
    return accessible.getState().contains(state)


# Roles by their enum value, named as the checks write them: at-spi2-core 2.56 calls a push button
# "button" where 2.46 said "push button". (pyatspi is imported only once the bus is up.)
ROLE_WORDS = {
    "ROLE_FRAME": "frame",
    "ROLE_PANEL": "panel",
    "ROLE_SPIN_BUTTON": "spin button",
    "ROLE_PUSH_BUTTON": "push button",
    "ROLE_LABEL": "label",
}


def role(accessible):
    value = accessible.getRole()
    for enum_name, word in ROLE_WORDS.items():
        if value == getattr(pyatspi, enum_name):
            return word
    return accessible.getRoleName()


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, text.characterCount)


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


def window(app, title):
    for child in children(app):
        if child.name == title:
            return child
    return None


def shown_window(app, title):
    found = window(app, title)
    if found is not None and has_state(found, pyatspi.STATE_SHOWING):
        return found
    return None


def find(root, role_word, name_pattern):
    if role(root) == role_word and re.fullmatch(name_pattern, root.name):
        return root
    for child in children(root):
        found = find(child, role_word, name_pattern)
        if found is not None:
            return found
    return None


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("Press" in names, f"{button.name!r} offers Press ({names})")
    action.doAction(names.index("Press"))


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


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    # The library keeps the desktop's list of applications and mends it from the registry's
    # signals; one that came while the list was being first read is never added. Ask afresh.
    desktop.clear_cache()
    for app in children(desktop):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that has just ended answers nothing
            continue
    return None


def applications_seen():
    """What the accessibility registry lists, for a failure's report."""
    seen = []
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clear_cache()
    for app in children(desktop):
        try:
            windows = [(window.name, has_state(window, pyatspi.STATE_SHOWING))
                       for window in children(app)]
            seen.append(f"pid {app.get_process_id()} {app.name!r} windows {windows}")
        except Exception as error:  # an application that has just ended answers nothing
            seen.append(f"one that does not answer ({error})")
    return seen


def run_checks(program):
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


def a11y_bus_owned():
    owned = session_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", "(b)", ("org.a11y.Bus",))
    return owned[0]


def program_env(folder, **settings):
    """The environment the program starts in, with an accessibility bridge that is always on. The
    program visits its home page on about one start in a hundred: here that reaches a stand-in that
    succeeds, never a browser, nor a report that no browser is there."""
    stand_ins = os.path.join(folder, "bin")
    os.makedirs(stand_ins, exist_ok=True)
    opener = os.path.join(stand_ins, "xdg-open")
    with open(opener, "w") as script:
        script.write("#!/bin/sh\nexit 0\n")
    os.chmod(opener, 0o755)
    return dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                PATH=stand_ins + os.pathsep + os.environ.get("PATH", ""), **settings)


def in_session(binary):
    runtime = tempfile.mkdtemp(prefix="span-meter-atspi.")
    os.environ["XDG_RUNTIME_DIR"] = runtime
    leftover = root_bus_property()
    if leftover and not bus_answers(leftover):
        remove_root_bus_property()  # a dead bus would take the program's and our calls
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"])
    program = None
    address = None
    try:
        # Asked before the launcher owns its name, the session bus would start another one itself.
        wait_for("the accessibility bus launcher", a11y_bus_owned)
        address = session_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                               "(s)")[0]
        advertised = root_bus_property()
        if advertised and advertised != address:
            raise RuntimeError(f"the X root window names another accessibility bus ({advertised});"
                               " run on an X server of the test's own")
        program = subprocess.Popen([binary], env=program_env(runtime, LC_ALL="C.UTF-8"),
                                   cwd=runtime)

        global pyatspi, GLib
        import pyatspi
        from gi.repository import GLib

        run_checks(program)
    except (TimeoutError, RuntimeError) as error:
        check(False, str(error))
    finally:
        if program is not None:
            stop(program.pid)
        stop(launcher.pid)  # it ends the accessibility bus it started
        if address and root_bus_property() == address:
            remove_root_bus_property()
        shutil.rmtree(runtime, ignore_errors=True)
    print(f"atspi: {len(failures)} failed" if failures else "atspi: all passed", flush=True)
    return 1 if failures else 0


def descendants():
    pids = []
    for task in os.listdir("/proc/self/task"):
        with open(f"/proc/self/task/{task}/children") as children:
            pids += [int(pid) for pid in children.read().split()]
    return pids


def run_in_own_session(binary, script=__file__):
    """Runs the script's checks under dbus-run-session; stops and reaps whatever they leave."""
    # Orphans of the buses come to us rather than to an init that may never reap them.
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_CHILD_SUBREAPER = 36
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    env = dict(os.environ, SPAN_ATSPI_IN_SESSION="1")
    status = subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(script),
                             binary], env=env).returncode
    time.sleep(0.5)  # a bus daemon ends shortly after its last client
    for pid in descendants():
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                command = cmdline.read().replace(b"\0", b" ").decode().strip()
            with open(f"/proc/{pid}/stat") as stat:
                alive = stat.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            continue
        if alive:
            print(f"FAIL: left running: {pid} {command}", flush=True)
            status = 1
        stop(pid)
    return status


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    binary = os.path.realpath(sys.argv[1])
    if os.environ.get("SPAN_ATSPI_IN_SESSION") == "1":
        sys.exit(in_session(binary))
    sys.exit(run_in_own_session(binary))


if __name__ == "__main__":
    main()
