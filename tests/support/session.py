"""The accessibility session of the suites that read the program through AT-SPI (tests/atspi,
tests/orca, tests/e2e/keyboards.py, and the package's smoke test debian/tests/smoke.py): a D-Bus
session of their own, the accessibility bus with its registry, the program's environment, waiting,
reading the tree, and the ending of every process they started. Debian's python3 is needed: it has
gi and pyatspi. tests/CMakeLists.txt puts this folder on PYTHONPATH; by hand, run a suite with
PYTHONPATH=tests/support.

A suite's script calls main(in_session): the script runs again under dbus-run-session, where
in_session(binary) does the checks; afterwards whatever the buses left behind is ended and reaped.
"""
import contextlib
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
IN_SESSION = "SPAN_IN_SESSION"  # set in the run under dbus-run-session

pyatspi = None  # imported once the accessibility bus is up: before, it would find none

failures = []


def check(condition, what):
    print(("PASS: " if condition else "FAIL: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def summary(suite):
    """The suite's last line and its exit status."""
    print(f"{suite}: {len(failures)} failed" if failures else f"{suite}: all passed", flush=True)
    return 1 if failures else 0


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


def a11y_bus_owned():
    owned = session_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", "(b)", ("org.a11y.Bus",))
    return owned[0]


@contextlib.contextmanager
def accessibility_bus(name):
    """The accessibility bus of this session, up and named on the X root window, and a runtime
    folder for the processes of the suite `name`; both go again afterwards."""
    global pyatspi
    runtime = tempfile.mkdtemp(prefix=f"span-meter-{name}.")
    os.environ["XDG_RUNTIME_DIR"] = runtime
    leftover = root_bus_property()
    if leftover and not bus_answers(leftover):
        remove_root_bus_property()  # a dead bus would take the program's and our calls
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"])
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
        import pyatspi as library
        pyatspi = library
        yield runtime
    finally:
        stop(launcher.pid)  # it ends the accessibility bus it started
        if address and root_bus_property() == address:
            remove_root_bus_property()
        shutil.rmtree(runtime, ignore_errors=True)


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


def check_program(suite, binary, checks):
    """The suite's run in its accessibility session: starts the program, calls checks(program),
    ends the program; returns the suite's exit status. A time-out or a bus that cannot be had fails
    the suite."""
    try:
        with accessibility_bus(suite) as runtime:
            program = subprocess.Popen([binary], cwd=runtime,
                                       env=program_env(runtime, LC_ALL="C.UTF-8"))
            try:
                checks(program)
            finally:
                stop(program.pid)
    except (TimeoutError, RuntimeError) as error:
        check(False, str(error))
    return summary(suite)


# --- the processes -------------------------------------------------------------------------------


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


def reap_leftovers():
    """Ends and reaps every process still below this one; each still alive is a failure, as the
    suite should have ended it. Returns how many were alive."""
    time.sleep(0.5)  # a bus daemon ends shortly after its last client
    alive = 0
    pids = []
    for task in os.listdir("/proc/self/task"):
        with open(f"/proc/self/task/{task}/children") as children_file:
            pids += [int(pid) for pid in children_file.read().split()]
    for pid in pids:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                command = cmdline.read().replace(b"\0", b" ").decode().strip()
            with open(f"/proc/{pid}/stat") as stat:
                running = stat.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            continue
        if running:
            print(f"FAIL: left running: {pid} {command}", flush=True)
            alive += 1
        stop(pid)
    return alive


def main(in_session, doc):
    """The suite's entry: `script.py PATH-TO-SPAN-METER` runs the script again under a D-Bus
    session of its own, where in_session(binary) checks; what the buses leave is reaped here."""
    if len(sys.argv) != 2:
        sys.exit(doc)
    binary = os.path.realpath(sys.argv[1])
    if os.environ.get(IN_SESSION) == "1":
        sys.exit(in_session(binary))
    # Orphans of the buses come to us rather than to an init that may never reap them.
    PR_SET_CHILD_SUBREAPER = 36
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    script = os.path.realpath(sys.argv[0])
    status = subprocess.run(["dbus-run-session", "--", sys.executable, script, binary],
                            env=dict(os.environ, **{IN_SESSION: "1"})).returncode
    if reap_leftovers():
        status = 1
    sys.exit(status)


# --- reading the tree ----------------------------------------------------------------------------


def children(accessible):
    return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]


def has_state(accessible, state):
    return accessible.getState().contains(state)


# Roles by their enum value, named as the checks write them: at-spi2-core 2.56 calls a push button
# "button" where 2.46 said "push button".
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


def find_where(root, wanted):
    """The first accessible under root, root included, for which wanted(accessible) holds."""
    if wanted(root):
        return root
    for child in children(root):
        found = find_where(child, wanted)
        if found is not None:
            return found
    return None


def find(root, role_word, name_pattern):
    return find_where(root, lambda accessible: role(accessible) == role_word
                      and re.fullmatch(name_pattern, accessible.name))


def find_focused(root, role_word):
    return find_where(root, lambda accessible: role(accessible) == role_word
                      and has_state(accessible, pyatspi.STATE_FOCUSED))


def press(button):
    """Presses a button through its Action interface, as a screen reader's user does."""
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("Press" in names, f"{button.name!r} offers Press ({names})")
    action.doAction(names.index("Press"))


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
