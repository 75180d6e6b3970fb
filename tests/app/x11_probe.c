/* What the end-to-end tests cannot see with xdotool alone:
 *   x11_probe cursor            prints "hidden" when the cursor on screen has no visible pixel,
 *                               else "visible"
 *   x11_probe close WINDOW      asks WINDOW to close as a window manager's close box does
 *                               (WM_DELETE_WINDOW)
 *   x11_probe take-focus        maps a small window of its own, gives it the input focus and
 *                               keeps it for two seconds
 *   x11_probe pixel X Y         prints the screen's colour at (X, Y) as RRGGBB in hexadecimal
 *   x11_probe unmapped WINDOW   waits until WINDOW is unmapped or destroyed, then prints the
 *                               wall-clock time in milliseconds since the epoch
 * Exit status 0 on success, 1 on a bad request, 2 when the display cannot be opened. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int PrintCursor(Display* display) {
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image)
        return 1;
    int visible = 0;
    for (int i = 0; i < image->width * image->height; ++i)
        if ((image->pixels[i] >> 24) & 0xFF)
            visible = 1;
    XFree(image);
    puts(visible ? "visible" : "hidden");
    return 0;
}

static int AskToClose(Display* display, Window window) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

static int TakeFocus(Display* display) {
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.override_redirect = True;
    Window window =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    usleep(100000);
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    sleep(2);
    return 0;
}

static int PrintPixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 1;
    printf("%06lx\n", XGetPixel(image, 0, 0) & 0xFFFFFFUL);
    XDestroyImage(image);
    return 0;
}

static int IgnoreError(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

static int WaitUnmapped(Display* display, Window window) {
    XSetErrorHandler(IgnoreError);
    XSelectInput(display, window, StructureNotifyMask);
    XWindowAttributes attributes;
    // Asked after selecting the events, so an unmap between the two is never missed.
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) {
        XEvent event;
        do
            XNextEvent(display, &event);
        while (event.type != UnmapNotify && event.type != DestroyNotify);
    }
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    printf("%lld\n", (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 1;
    Display* display = XOpenDisplay(NULL);
    if (!display)
        return 2;
    int status = 1;
    if (strcmp(argv[1], "cursor") == 0)
        status = PrintCursor(display);
    if (strcmp(argv[1], "close") == 0 && argc == 3)
        status = AskToClose(display, (Window)strtoul(argv[2], NULL, 0));
    if (strcmp(argv[1], "pixel") == 0 && argc == 4)
        status = PrintPixel(display, atoi(argv[2]), atoi(argv[3]));
    if (strcmp(argv[1], "unmapped") == 0 && argc == 3)
        status = WaitUnmapped(display, (Window)strtoul(argv[2], NULL, 0));
    if (strcmp(argv[1], "take-focus") == 0)
        status = TakeFocus(display);
    XCloseDisplay(display);
    return status;
}
