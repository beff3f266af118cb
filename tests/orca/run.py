#!/usr/bin/python3
"""Hears the running program through a real screen reader, as a blind user does.

Usage: run.py <path-to-span-meter>    (DISPLAY must name a running X server with a window manager;
tests/support on PYTHONPATH)

In the session of tests/support/session.py (a session bus of its own and the accessibility bus)
it starts speech-dispatcher with its dummy
voice on ALSA's null device (no sound card needed), Orca with its debug log, and the program.
Keys go through the X server (XTest); what Orca says is read from the log's "SPEECH OUTPUT"
lines. Names and values are matched, never role words, which differ between Orca's releases.
"""
import collections
import os
import pty
import re
import subprocess
import threading
import time
import tty
from contextlib import closing

from Xlib import X, XK, display
from Xlib.ext import xtest

import session
from session import ELAPSED_TITLE, check

WAIT = 20  # seconds for Orca to speak after a key; Orca and a loaded CI machine are slow
QUIET = 1.5  # seconds without speech that end an utterance's train of lines


# --- what Orca says -------------------------------------------------------------------------------


class Speech:
    """Orca's debug log, read as Orca writes it: a terminal makes Python flush it line by line."""

    # The voice Orca chose follows the closing quote; Orca 51 may carry it on to further lines.
    SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\S+)?\s*(?:\{.*|\[.*\])?\s*$")

    def __init__(self):
        self.master, slave = pty.openpty()
        tty.setraw(slave)  # no line-ending translation, no echo
        self.path = os.ttyname(slave)
        self.slave = slave
        self.lines = []
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        pending = b""
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            pending += chunk
            *complete, pending = pending.split(b"\n")
            with self.lock:
                self.lines += [line.decode("utf-8", "replace") for line in complete]

    def mark(self):
        with self.lock:
            return len(self.lines)

    def spoken(self, since=0):
        """The utterances since a mark, as Orca sent them to the speech server."""
        with self.lock:
            lines = self.lines[since:]
        utterances = []
        for line in lines:
            found = self.SPOKEN.search(line)
            # A key's echo is its name and a blank: not what the program made Orca say.
            if found and not found.group(1).endswith(" "):
                utterances.append(found.group(1))
        return utterances

    def keys_pressed(self, since=0):
        """The keys Orca saw pressed since a mark, with the modifiers held: "Alt_L", "F4 (mods 8)"."""
        with self.lock:
            lines = self.lines[since:]
        pressed, event = [], None
        for line in lines:
            if "type=ATSPI_KEY_PRESSED_EVENT" in line:
                event = {}
            elif event is not None and (found := re.search(r"(modifiers|keyval_name)=(.*)", line)):
                event[found.group(1)] = found.group(2).strip("'")
                if "keyval_name" in event:
                    mods = event.get("modifiers", "0")
                    pressed.append(event["keyval_name"] + ("" if mods == "0" else f" (mods {mods})"))
                    event = None
        return pressed

    def wait_for(self, pattern, since, timeout=WAIT):
        """The first utterance since the mark that matches, or None after timeout seconds."""
        deadline = time.monotonic() + timeout
        while True:
            for said in self.spoken(since):
                if re.search(pattern, said):
                    return said
            if time.monotonic() >= deadline:
                return None
            time.sleep(0.1)

    def settle(self, since, timeout=WAIT):
        """Waits until Orca has said nothing new for QUIET seconds; returns all it said since."""
        deadline = time.monotonic() + timeout
        count, changed = -1, time.monotonic()
        while time.monotonic() < deadline:
            now = len(self.spoken(since))
            if now != count:
                count, changed = now, time.monotonic()
            elif time.monotonic() - changed >= QUIET:
                break
            time.sleep(0.1)
        return self.spoken(since)

    def close(self):
        os.close(self.slave)
        os.close(self.master)


MODIFIERS = {"shift": "Shift_L", "alt": "Alt_L", "ctrl": "Control_L"}


def keycodes(name):
    """The keys a name such as "shift+Tab" or "KP_Insert+KP_Begin" holds down, in order. Each is
    the key that gives its symbol with no modifier: xdotool picks a key by the symbols the keyboard
    map lists, and where the map lists F4 on levels that need Alt too (xkb-data 2.48), it presses
    Alt with it, and Alt+F4 closes the window."""
    with closing(display.Display()) as x:
        codes = []
        for part in name.split("+"):
            symbol = XK.string_to_keysym(MODIFIERS.get(part, part))
            plain = [code for code, level in x.keysym_to_keycodes(symbol) if level == 0]
            if not plain:
                raise RuntimeError(f"no key gives {part!r} unmodified")
            codes.append(plain[0])
        return codes


def press(name, down=True, up=True):
    codes = keycodes(name)
    with closing(display.Display()) as x:
        for code in codes if down else []:
            xtest.fake_input(x, X.KeyPress, code)
            x.sync()
        if down and up:
            time.sleep(0.08)  # held as long as a finger holds it
        for code in reversed(codes) if up else []:
            xtest.fake_input(x, X.KeyRelease, code)
            x.sync()


def keys(*names):
    for name in names:
        press(name)
        time.sleep(0.12)


def says_name(said, name):
    """Whether an utterance is the name alone, as Orca 43 speaks a caption change, or the name with
    its role word, as Orca 48 does ("Stop button.")."""
    return any(re.fullmatch(rf"{re.escape(name)}(?: (?:push )?button)?\.?", line) for line in said)


def shown_value(utterance, name):
    """What a control's focus utterance says besides its name and its role words, which stand
    after the value in Orca 43 ("Date 7 Dec 2026 spin button.") and before it in Orca 48."""
    rest = utterance[len(name):] if utterance.startswith(name) else utterance
    return re.sub(r"\bspin button\b", "", rest).strip(" .")


def heard(speech, what, pattern, since):
    said = speech.wait_for(pattern, since)
    check(said is not None, f"{what}: heard {said!r}" if said else
          f"{what}: nothing matching {pattern!r} among {speech.settle(since, 0)!r}")
    return said


# --- the table ------------------------------------------------------------------------------------
# Each row sends keys and compares what Orca says next, once it has fallen quiet.


# The program under test, which a silence must not hide the end of.
program = None


def still_there(speech, since, names):
    """A program that has ended says nothing: that is told as its end, with the keys Orca saw, so
    that a key the test sent wrongly is told apart from a program that keeps quiet."""
    if program is not None and program.poll() is not None:
        raise RuntimeError(f"the program ended (status {program.returncode}) after the keys"
                           f" {list(names)!r}; Orca saw these pressed: {speech.keys_pressed(since)!r}")


def after(speech, *names):
    since = speech.mark()
    keys(*names)
    said = speech.settle(since)
    still_there(speech, since, names)
    return said


def focus_on(speech, key, name):
    """Moves the focus with a key; returns what Orca said of the control named `name`."""
    since = speech.mark()
    keys(key)
    said = heard(speech, f"{key} reaches {name!r}", rf"^{re.escape(name)}\b", since)
    speech.settle(since)
    still_there(speech, since, [key])
    return said or ""


def up_in_time_picker(speech):
    before = re.search(r"\d{1,2}:\d{2}:\d{2}", focus_on(speech, "Tab", "Time"))
    if check(before is not None, "the time picker's time is spoken on focus"):
        hour, rest = before.group(0).split(":", 1)
        # The hours stop at 23, and the picker holds the clock's hour: then Down is heard.
        key, new_hour = ("Down", int(hour) - 1) if int(hour) == 23 else ("Up", int(hour) + 1)
        said = after(speech, key)
        expected = f"{new_hour:0{len(hour)}d}:{rest}"
        check(said == [expected], f"{key} in the time picker speaks the new time {expected!r}:"
              f" {said!r}")


def up_in_date_picker(speech, before, where_else=""):
    year = re.search(r"\b(\d{4})\b", before)
    said = after(speech, "Up")
    if check(year is not None, f"the date picker's date is spoken on focus: {before!r}"):
        expected = shown_value(before, "Date").replace(year.group(1), str(int(year.group(1)) + 1))
        check(said == [expected], f"Up in the date picker speaks the new date {expected!r} and"
              f" nothing else: {said!r}{where_else}")


def shown_windows(pid):
    """The program's windows the X server shows, the calendar's drop-down among them."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                           capture_output=True, text=True).stdout.split()
    return len(found)


def calendar_on_keys(speech, pid):
    closed = shown_windows(pid)
    for key in ("F4", "alt+Down"):
        said = after(speech, key)
        check(shown_windows(pid) == closed + 1, f"{key} opens the calendar: Orca says {said!r}")
        said = after(speech, "Escape")
        back = [line for line in said if line.startswith("Date ")]
        check(shown_windows(pid) == closed and back,
              f"Escape closes it, back on the date picker: {said!r}")
    return back[-1] if back else ""


def focused_button(pid, title):
    """The name of the push button that holds the focus in the program's window `title`, as the
    accessibility bus has it."""
    app = session.find_application(pid)
    frame = session.shown_window(app, title) if app is not None else None
    found = frame and session.find_focused(frame, "push button")
    return found.name if found is not None else None


def enter_opens_counter(speech, pid):
    focus_on(speech, "Tab", "Time")
    focus_on(speech, "Tab", ELAPSED_TITLE)
    # Held down: the counter window opens, and its Start, where the focus lands, stays unpressed.
    since = speech.mark()
    press("Return", up=False)
    opened = speech.wait_for(rf"^{re.escape(ELAPSED_TITLE)} frame|^{re.escape(ELAPSED_TITLE)}$",
                             since)
    time.sleep(1)  # held past the keyboard's repeat delay, so X repeats it into the new window
    press("Return", down=False)
    speech.wait_for(r"^Start\b", since)  # on a busy machine the focus may be spoken late
    said = speech.settle(since)
    check(opened is not None, f"Enter on {ELAPSED_TITLE!r} opens its window: {said!r}")
    what = f"the focus lands on Start, which the held Enter does not press: {said!r}"
    if says_name(said, "Start") or says_name(said, "Stop"):
        check(not says_name(said, "Stop"), what)
        return
    # Orca 43 moves its focus, unspoken, to where a key press lands; on a loaded machine the held
    # Enter's repeats reach it before the focus event it has queued, and then it never speaks the
    # focus. The bus still tells where the focus is, and whether Start was pressed.
    focus = focused_button(pid, ELAPSED_TITLE)
    check(focus == "Start", f"{what}; Orca's focus event came after the held Enter's repeats,"
          f" and the accessibility bus has the focus on {focus!r}")


def start_and_stop(speech, window_caption):
    said = after(speech, "space")
    check(says_name(said, "Stop"), f"Start speaks 'Stop': {said!r}; where it does not, Qt's bridge"
          " may have renamed its D-Bus connection or object paths (src/controls/qtatspibridge.cpp)")
    since = speech.mark()
    time.sleep(5)  # counting: what would Orca say unasked?
    check(speech.spoken(since) == [], f"no speech for 5 s of counting: {speech.spoken(since)!r}")
    said = after(speech, "KP_Enter")
    figures = r"\d+ days?, \d+ hours?, \d+ minutes?, \d+ seconds?"
    count = rf"{re.escape(window_caption)}: {figures}"
    check(any(re.search(count, line) for line in said),
          f"where-am-I on the counting window speaks the count: {said!r}")
    # Asked again later, the count has gone on: a reader that kept the first phrase would repeat it.
    first = counted_seconds(said, count)
    time.sleep(3)
    again = after(speech, "KP_Enter")
    later = counted_seconds(again, count)
    check(first is not None and later is not None and later - first >= 3,
          f"where-am-I again, 3 s on, speaks the count as it is then: {said!r}, then {again!r}")
    flat_review_reads_frame(speech, window_caption, figures)
    said = after(speech, "Return")
    check(says_name(said, "Start"), f"Stop, pressed with Enter, speaks 'Start': {said!r}")


def counted_seconds(said, count):
    """The span, in seconds, of the first count phrase among the utterances."""
    for line in said:
        found = re.search(count, line)
        if found:
            days, hours, minutes, seconds = map(int, re.findall(r"\d+", found.group(0)))
            return ((days * 24 + hours) * 60 + minutes) * 60 + seconds
    return None


def flat_review_reads_frame(speech, caption, figures):
    """Flat review goes up line by line from the focus to the frame's caption."""
    said = after(speech, "KP_Subtract")
    for _ in range(8):
        said = after(speech, "KP_Home")
        if any(line.startswith(caption) for line in said):
            break
    check(any(line.startswith(caption) for line in said),
          f"flat review reads the frame's caption {caption!r}: {said!r}")
    said = after(speech, "KP_Insert+KP_Begin")
    # The frame's name, its caption, and then the count it describes.
    check(re.search(rf"\b{re.escape(caption)}\b.*{figures}", " ".join(said)) is not None,
          f"and the frame, asked for, speaks the count: {said!r}")
    after(speech, "KP_Subtract")


def run_table(speech, pid):
    if speech.wait_for(r"^Date\b", 0, timeout=session.WAIT) is None:
        raise TimeoutError(f"the date picker was not spoken on opening: {speech.spoken()!r}")
    speech.settle(0)
    print(f"  on opening: {speech.spoken()!r}")
    up_in_time_picker(speech)
    up_in_date_picker(speech, focus_on(speech, "shift+Tab", "Date"))
    # The calendar, once opened and closed, keeps quiet while hidden.
    up_in_date_picker(speech, calendar_on_keys(speech, pid),
                      "; where the hidden calendar speaks too, Qt no longer hands each update to"
                      " the handler QAccessible::installUpdateHandler installs"
                      " (src/controls/qtaccessibleupdates.cpp)")
    after(speech, "Down", "Down", "Down")  # a year before today: there is time elapsed to count
    enter_opens_counter(speech, pid)
    start_and_stop(speech, "Lapsed")


# --- the processes --------------------------------------------------------------------------------

SPEECHD_CONF = """\
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
AudioOutputMethod "alsa"
AudioALSADevice "null"
"""


def start_speech_dispatcher(home):
    config = os.path.join(home, "speechd")
    os.makedirs(config)
    with open(os.path.join(config, "speechd.conf"), "w") as conf:
        conf.write(SPEECHD_CONF)
    socket = os.path.join(home, "speechd.sock")
    server = subprocess.Popen(
        ["speech-dispatcher", "--run-single", "--timeout", "0", "--communication-method",
         "unix_socket", "--socket-path", socket, "--config-dir", config, "--log-dir", home,
         "--pid-file", os.path.join(home, "speechd.pid")],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.wait_for("speech-dispatcher's socket", lambda: os.path.exists(socket))
    return server, "unix_socket:" + socket


def start_orca(home, speech, speechd_address):
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               SPEECHD_ADDRESS=speechd_address)
    return subprocess.Popen(
        ["orca", "--user-prefs", os.path.join(home, "orca"), "--debug-file", speech.path],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def other_orca():
    """Orca refuses to start beside another Orca of the same user."""
    found = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True,
                           text=True).stdout.split()
    return found


def print_tallied(path):
    """The program's output, each distinct line once with its count: Qt warns at every key that
    Orca answers later than Qt waits (100 ms), which would bury the checks' own lines."""
    with open(path, errors="replace") as output:
        tally = collections.Counter(line.rstrip("\n") for line in output)
    for line, times in tally.items():
        print(f"  the program printed ({times}x): {line}")


def in_session(binary):
    global program
    speech = Speech()
    started = []
    program = None
    try:
        with session.accessibility_bus("orca") as runtime:
            try:
                # Orca starts only when it is the only one of its user; another test run's ends
                # within minutes.
                if other_orca():
                    session.wait_for(f"another Orca of this user ({other_orca()}) to end",
                                     lambda: not other_orca(), timeout=180)
                server, speechd_address = start_speech_dispatcher(runtime)
                started.append(server)
                started.append(start_orca(runtime, speech, speechd_address))
                session.wait_for("Orca to start", lambda: speech.wait_for(r".", 0, timeout=0))
                output = os.path.join(runtime, "program.out")
                with open(output, "w") as sink:
                    program = subprocess.Popen(
                        [binary], cwd=runtime, stdout=sink, stderr=subprocess.STDOUT,
                        env=session.program_env(runtime, LC_ALL="C.UTF-8"))
                started.append(program)
                run_table(speech, program.pid)
            finally:
                for process in reversed(started):
                    session.stop(process.pid)
                if program is not None:
                    print_tallied(output)
    except (TimeoutError, RuntimeError, subprocess.CalledProcessError) as error:
        check(False, str(error))
    finally:
        if os.environ.get("SPAN_ORCA_LOG"):
            with open(os.environ["SPAN_ORCA_LOG"], "w") as log:
                log.write("\n".join(speech.lines) + "\n")
        speech.close()
    return session.summary("orca")


if __name__ == "__main__":
    session.main(in_session, __doc__)
