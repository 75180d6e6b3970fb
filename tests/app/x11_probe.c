/* What the end-to-end tests cannot see with xdotool alone:
 *   x11_probe cursor            prints "hidden" when the cursor on screen has no visible pixel,
 *                               else "visible"
 *   x11_probe close WINDOW      asks WINDOW to close as a window manager's close box does
 *                               (WM_DELETE_WINDOW)
 *   x11_probe take-focus        maps a small window of its own, gives it the input focus and
 *                               keeps it for two seconds
 *   x11_probe pixel X Y         prints the screen's colour at (X, Y) as RRGGBB in hexadecimal
 *   x11_probe icon WINDOW       prints the size of WINDOW's first icon (_NET_WM_ICON) as WxH,
 *                               or "none"
 * Exit status 0 on success, 1 on a bad request, 2 when the display cannot be opened. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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

static int PrintIcon(Display* display, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = NULL;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 2,
                           False, XA_CARDINAL, &type, &format, &count, &after, &data) != Success)
        return 1;
    if (type == XA_CARDINAL && format == 32 && count == 2) {
        const unsigned long* size = (const unsigned long*)data;
        printf("%lux%lu\n", size[0], size[1]);
    } else {
        puts("none");
    }
    if (data)
        XFree(data);
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
    if (strcmp(argv[1], "icon") == 0 && argc == 3)
        status = PrintIcon(display, (Window)strtoul(argv[2], NULL, 0));
    if (strcmp(argv[1], "take-focus") == 0)
        status = TakeFocus(display);
    XCloseDisplay(display);
    return status;
}
