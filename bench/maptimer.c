/* Starts a program and times it from exec until its top-level window with a given title is
 * mapped. It listens for the X server's own notifications rather than polling, so the reading is
 * as fine as the clock; it can then wait, report the program's peak resident set and end it.
 *
 * Usage: map-timer [--hold SECONDS] [--keep] [--timeout SECONDS] TITLE PROGRAM [ARGUMENT...]
 * Prints key=value lines: map_ms, pid, window (hex id), then vmhwm_kb and vmrss_kb after --hold.
 * Without --keep the program is sent SIGTERM and waited for; with it, it is left running. */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

/* Windows of other clients may vanish between an event and a request about them. */
static int ignore_errors(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error;
    return 0;
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

    Window found = None;
    double mapped = 0;
    struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    while (found == None) {
        while (found == None && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
                Window window = event.xcreatewindow.window;
                XSelectInput(display, window, StructureNotifyMask);
                /* It may have been mapped before the selection took effect. */
                if (is_viewable(display, window) && has_title(display, window, title)) {
                    mapped = now_ms();
                    found = window;
                }
            } else if (event.type == MapNotify && has_title(display, event.xmap.window, title)) {
                mapped = now_ms();
                found = event.xmap.window;
            }
        }
        if (found != None)
            break;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "map-timer: the program ended before its window was mapped\n");
            return 1;
        }
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

    printf("map_ms=%.3f\npid=%d\nwindow=0x%lx\n", mapped - start, (int)pid, (unsigned long)found);
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
