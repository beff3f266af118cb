/* Starts a program and times it from exec until its top-level window with a given title is
 * mapped, and until the program first draws into that window. It listens for the X server's own
 * notifications (structure events, and the DAMAGE extension for drawing) rather than polling, so
 * the readings are as fine as the clock. It can then wait, report the program's peak resident
 * set and end it.
 *
 * Usage: map-timer [--hold SECONDS] [--keep] [--timeout SECONDS] TITLE PROGRAM [ARGUMENT...]
 * Prints key=value lines:
 *   map_ms, map_cpu_ms      wall time from exec until mapped, and the program's CPU time (all
 *                           threads) by then; the CPU time does not grow when other work on the
 *                           machine takes the cores
 *   frame_ms, frame_cpu_ms  the same until its first drawing into the window lands
 *   pid, window             the program and its window (hex id)
 *   vmhwm_kb, vmrss_kb      after --hold
 * Without --keep the program is sent SIGTERM and waited for; with it, it is left running. */
#define _GNU_SOURCE
#include <X11/Xlibint.h>
#include <X11/extensions/damageproto.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static int damage_opcode, damage_event = -1;

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static double cpu_ms(clockid_t clock)
{
    struct timespec t;
    if (clock_gettime(clock, &t) != 0)
        return -1;
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

/* Windows of other clients may vanish between an event and a request about them. */
static int ignore_errors(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    return 0;
}

/* Xlib has no DAMAGE client library here, only its protocol headers: the few requests are sent
 * by hand (Xlib's request macros expect the display to be called dpy), and its event is unpacked
 * just far enough to know the window. */
static Bool damage_to_event(Display* display, XEvent* event, xEvent* wire)
{
    const xDamageNotifyEvent* notify = (const xDamageNotifyEvent*)wire;
    event->xany.type = notify->type & 0x7f;
    event->xany.serial = _XSetLastRequestRead(display, (xGenericReply*)wire);
    event->xany.send_event = (notify->type & 0x80) != 0;
    event->xany.display = display;
    event->xany.window = notify->drawable;
    return True;
}

static void start_damage(Display* dpy)
{
    int first_error;
    if (!XQueryExtension(dpy, "DAMAGE", &damage_opcode, &damage_event, &first_error)) {
        damage_event = -1;
        return;
    }
    XESetWireToEvent(dpy, damage_event + XDamageNotify, damage_to_event);
    /* The extension answers nothing else before the version is agreed. */
    xDamageQueryVersionReq* request;
    xDamageQueryVersionReply reply;
    LockDisplay(dpy);
    GetReq(DamageQueryVersion, request);
    request->reqType = (CARD8)damage_opcode;
    request->damageReqType = X_DamageQueryVersion;
    request->majorVersion = 1;
    request->minorVersion = 1;
    if (!_XReply(dpy, (xReply*)&reply, 0, xTrue))
        damage_event = -1;
    UnlockDisplay(dpy);
    SyncHandle();
}

/* One notification when the window is first drawn into. */
static void watch_drawing(Display* dpy, Window window)
{
    if (damage_event < 0)
        return;
    XID damage = XAllocID(dpy);
    xDamageCreateReq* request;
    LockDisplay(dpy);
    GetReq(DamageCreate, request);
    request->reqType = (CARD8)damage_opcode;
    request->damageReqType = X_DamageCreate;
    request->damage = (CARD32)damage;
    request->drawable = (CARD32)window;
    request->level = XDamageReportNonEmpty;
    UnlockDisplay(dpy);
    SyncHandle();
}

static int has_title(Display* display, Window window, const char* title)
{
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int match = 0;
    if (XGetWindowProperty(display, window, net_wm_name, 0, 1024, False, utf8, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        match = type == utf8 && strlen(title) == count && memcmp(data, title, count) == 0;
        XFree(data);
        if (match)
            return 1;
    }
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        match = strcmp(name, title) == 0;
        XFree(name);
    }
    return match;
}

static int is_viewable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

static void report_memory(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file)
        return;
    char line[256];
    long value;
    while (fgets(line, sizeof line, file)) {
        if (sscanf(line, "VmHWM: %ld", &value) == 1)
            printf("vmhwm_kb=%ld\n", value);
        else if (sscanf(line, "VmRSS: %ld", &value) == 1)
            printf("vmrss_kb=%ld\n", value);
    }
    fclose(file);
}

static void usage(void)
{
    fprintf(stderr, "usage: map-timer [--hold SECONDS] [--keep] [--timeout SECONDS] TITLE "
                    "PROGRAM [ARGUMENT...]\n");
    exit(2);
}

int main(int argc, char* argv[])
{
    double hold = 0, timeout = 30;
    int keep = 0, i = 1;
    for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
        if (strcmp(argv[i], "--hold") == 0 && i + 1 < argc)
            hold = atof(argv[++i]);
        else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeout = atof(argv[++i]);
        else if (strcmp(argv[i], "--keep") == 0)
            keep = 1;
        else
            usage();
    }
    if (argc - i < 2)
        usage();
    const char* title = argv[i];
    char** command = argv + i + 1;

    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "map-timer: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    start_damage(display);
    Window root = DefaultRootWindow(display);
    /* Creation of top-level windows is announced on the root; mapping on each window itself,
     * since a reparenting window manager maps the client inside its frame. */
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = now_ms();
    pid_t pid = fork();
    if (pid < 0) {
        perror("map-timer: fork");
        return 1;
    }
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(command[0], command);
        perror("map-timer: exec");
        _exit(127);
    }
    clockid_t program_clock;
    if (clock_getcpuclockid(pid, &program_clock) != 0) {
        fprintf(stderr, "map-timer: cannot read the program's CPU clock\n");
        kill(pid, SIGKILL);
        return 1;
    }

    enum { MAX_CANDIDATES = 256 };
    Window candidates[MAX_CANDIDATES];
    int candidate_count = 0;
    Window found = None;
    double mapped = 0, mapped_cpu = 0, drawn = -1, drawn_cpu = -1;
    /* Drawing can only land once the window is mapped; a window drawn before our watch on it
     * began would go unnoticed, so give up on it after a while. */
    const double drawing_wait = 5000;
    struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    while (found == None || (drawn < 0 && damage_event >= 0)) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root &&
                candidate_count < MAX_CANDIDATES) {
                Window window = event.xcreatewindow.window;
                candidates[candidate_count++] = window;
                XSelectInput(display, window, StructureNotifyMask);
                watch_drawing(display, window);
            }
            /* Mapped means viewable: the window and the frame the window manager put it in are
             * both mapped. Either may come last, and the window's own map may even come before
             * the selection above took effect, so each creation or mapping looks at them all. */
            if (found == None && (event.type == CreateNotify || event.type == MapNotify)) {
                for (int c = 0; c < candidate_count && found == None; ++c) {
                    if (is_viewable(display, candidates[c]) &&
                        has_title(display, candidates[c], title)) {
                        mapped = now_ms();
                        mapped_cpu = cpu_ms(program_clock);
                        found = candidates[c];
                    }
                }
            } else if (damage_event >= 0 && event.type == damage_event + XDamageNotify &&
                       found != None && event.xany.window == found && drawn < 0) {
                drawn = now_ms();
                drawn_cpu = cpu_ms(program_clock);
            }
        }
        if (found != None && (drawn >= 0 || damage_event < 0))
            break;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "map-timer: the program ended before its window was %s\n",
                    found == None ? "mapped" : "drawn");
            return 1;
        }
        if (found != None && now_ms() - mapped > drawing_wait)
            break;
        if (now_ms() - start > timeout * 1e3) {
            fprintf(stderr, "map-timer: no window titled '%s' within %g s\n", title, timeout);
            kill(pid, SIGKILL);
            waitpid(pid, NULL, 0);
            return 1;
        }
        /* Wakes at once on an event; the time-out only serves to notice the program's end. */
        if (poll(&connection, 1, 50) < 0 && errno != EINTR) {
            perror("map-timer: poll");
            return 1;
        }
    }

    printf("map_ms=%.3f\nmap_cpu_ms=%.3f\n", mapped - start, mapped_cpu);
    if (drawn >= 0)
        printf("frame_ms=%.3f\nframe_cpu_ms=%.3f\n", drawn - start, drawn_cpu);
    printf("pid=%d\nwindow=0x%lx\n", (int)pid, (unsigned long)found);
    fflush(stdout);
    if (hold > 0) {
        struct timespec pause = {(time_t)hold, (long)((hold - (double)(time_t)hold) * 1e9)};
        while (nanosleep(&pause, &pause) < 0 && errno == EINTR) {
        }
        report_memory(pid);
        fflush(stdout);
    }
    XCloseDisplay(display);
    if (!keep) {
        kill(pid, SIGTERM);
        waitpid(pid, NULL, 0);
    }
    return 0;
}
