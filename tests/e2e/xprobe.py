#!/usr/bin/python3
"""What the X server itself reports, for the end-to-end suite.

  xprobe.py cursor            the pointer image now shown: WIDTHxHEIGHT HOTX,HOTY
  xprobe.py frames            until killed, one line per top-level frame event:
                              "map X Y WIDTH HEIGHT TITLE" as a frame is mapped, and
                              "move X Y WIDTH HEIGHT TITLE" when a mapped frame moves
  xprobe.py centred LOG TITLE whether each frame titled TITLE in a "frames" log was centred on
                              the work area (within 2 px) when mapped, and stayed there
"""

import sys

from Xlib import X, display
from Xlib.error import XError


def cursor(dpy):
    if not dpy.has_extension("XFIXES"):
        sys.exit("the X server has no XFIXES")
    dpy.xfixes_query_version()
    image = dpy.xfixes_get_cursor_image(dpy.screen().root)
    print("%dx%d %d,%d" % (image.width, image.height, image.xhot, image.yhot))


def work_area(dpy):
    root = dpy.screen().root
    area = root.get_full_property(dpy.intern_atom("_NET_WORKAREA"), X.AnyPropertyType)
    if area and len(area.value) >= 4:
        return tuple(area.value[:4])
    geometry = root.get_geometry()
    return (0, 0, geometry.width, geometry.height)


def title_within(dpy, window):
    """The _NET_WM_NAME of the first window in the tree under window that has one."""
    net_wm_name = dpy.intern_atom("_NET_WM_NAME")
    pending = [window]
    while pending:
        current = pending.pop(0)
        try:
            name = current.get_full_property(net_wm_name, X.AnyPropertyType)
            if name and name.value:
                value = name.value
                return value.decode("utf-8") if isinstance(value, bytes) else str(value)
            pending.extend(current.query_tree().children)
        except XError:
            continue
    return ""


def frames(dpy):
    """Geometry comes from the events themselves, so a move right after the map is not missed."""
    root = dpy.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    dpy.sync()
    geometry = {}
    titles = {}
    while True:
        event = dpy.next_event()
        window = getattr(event, "window", None)
        if event.type in (X.CreateNotify, X.ConfigureNotify):
            previous = geometry.get(window.id)
            geometry[window.id] = (event.x, event.y, event.width, event.height)
            moved = previous and previous[:2] != (event.x, event.y)
            if window.id in titles and moved:
                print("move", *geometry[window.id], titles[window.id])
        elif event.type == X.MapNotify and window.id in geometry:
            titles[window.id] = title_within(dpy, window)
            print("map", *geometry[window.id], titles[window.id])
        elif event.type in (X.UnmapNotify, X.DestroyNotify) and window is not None:
            titles.pop(window.id, None)
        sys.stdout.flush()


def centred(dpy, log, title):
    """Every map of the window's frame is centred on the work area within 2 px, and it never moves
    while mapped. Prints the offsets seen."""
    wx, wy, ww, wh = work_area(dpy)
    maps = 0
    good = True
    with open(log, encoding="utf-8") as lines:
        for line in lines:
            kind, x, y, w, h, seen = (line.rstrip("\n").split(" ", 5) + [""])[:6]
            if seen != title:
                continue
            x, y, w, h = int(x), int(y), int(w), int(h)
            dx = (2 * x + w - 2 * wx - ww) / 2
            dy = (2 * y + h - 2 * wy - wh) / 2
            if kind == "map":
                maps += 1
                print("%s: frame %dx%d mapped at %d,%d, %+.1f,%+.1f px from the work area's centre"
                      % (title, w, h, x, y, dx, dy))
                good = good and abs(dx) <= 2 and abs(dy) <= 2
            else:
                print("%s: moved to %d,%d after it was mapped" % (title, x, y))
                good = False
    sys.exit(0 if good and maps else 1)


def main():
    commands = {"cursor": (cursor, 0), "frames": (frames, 0), "centred": (centred, 2)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    command, arguments = commands[sys.argv[1]]
    if len(sys.argv) != 2 + arguments:
        sys.exit(__doc__)
    command(display.Display(), *sys.argv[2:])


if __name__ == "__main__":
    main()
