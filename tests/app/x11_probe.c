/* What the end-to-end tests cannot see with xdotool alone:
 *   x11_probe cursor            prints "hidden" when the cursor on screen has no visible pixel,
 *                               else "visible"
 *   x11_probe close WINDOW      asks WINDOW to close as a window manager's close box does
 *                               (WM_DELETE_WINDOW)
 *   x11_probe take-focus        maps a small window of its own, gives it the input focus and
 *                               keeps it for two seconds
 *   x11_probe pixel X Y         prints the screen's colour at (X, Y) as RRGGBB in hexadecimal
 *   x11_probe colours X Y W H   prints how many different colours the screen shows in that
 *                               rectangle (1 for a plain area, 2 for the root's weave, many
 *                               for a rendered scene)
 *   x11_probe count X Y W H RRGGBB
 *                               prints how many pixels of that rectangle have that colour
 *   x11_probe window X Y W H    maps a magenta override-redirect window there, prints its id
 *                               and keeps it until killed (the window goes with the process)
 *   x11_probe ppm FILE          writes the whole screen to FILE as a binary PPM image
 *   x11_probe unmapped WINDOW [FILE]
 *                               waits until WINDOW is unmapped or destroyed, then prints the
 *                               wall-clock time in milliseconds since the epoch and, given FILE,
 *                               FILE's size in bytes at that moment (0 when it does not exist)
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
#include <sys/stat.h>
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

static int CompareColours(const void* a, const void* b) {
    const unsigned long x = *(const unsigned long*)a;
    const unsigned long y = *(const unsigned long*)b;
    return x < y ? -1 : x > y;
}

static int PrintColourCount(Display* display, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return 1;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, (unsigned)width,
                              (unsigned)height, AllPlanes, ZPixmap);
    if (!image)
        return 1;
    const size_t count = (size_t)width * (size_t)height;
    unsigned long* colours = malloc(count * sizeof *colours);
    if (!colours) {
        XDestroyImage(image);
        return 1;
    }
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            colours[(size_t)row * width + column] = XGetPixel(image, column, row) & 0xFFFFFFUL;
    qsort(colours, count, sizeof *colours, CompareColours);
    size_t distinct = 1;
    for (size_t i = 1; i < count; ++i)
        distinct += colours[i] != colours[i - 1];
    printf("%zu\n", distinct);
    free(colours);
    XDestroyImage(image);
    return 0;
}

static int PrintColourShare(Display* display, int x, int y, int width, int height,
                            unsigned long colour) {
    if (width <= 0 || height <= 0)
        return 1;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, (unsigned)width,
                              (unsigned)height, AllPlanes, ZPixmap);
    if (!image)
        return 1;
    long matching = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            matching += (XGetPixel(image, column, row) & 0xFFFFFFUL) == colour;
    printf("%ld\n", matching);
    XDestroyImage(image);
    return 0;
}

static int KeepWindow(Display* display, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return 1;
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.override_redirect = True;
    attributes.background_pixel = 0xFF00FF;
    Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, (unsigned)width,
                                  (unsigned)height, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    printf("0x%lx\n", window);
    fflush(stdout);
    for (;;)
        pause();
}

static int WriteScreen(Display* display, const char* path) {
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, (unsigned)width,
                              (unsigned)height, AllPlanes, ZPixmap);
    FILE* file = image ? fopen(path, "wb") : NULL;
    if (!file) {
        if (image)
            XDestroyImage(image);
        return 1;
    }
    fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            const unsigned char rgb[3] = {(unsigned char)(pixel >> 16), (unsigned char)(pixel >> 8),
                                          (unsigned char)pixel};
            fwrite(rgb, 1, 3, file);
        }
    }
    fclose(file);
    XDestroyImage(image);
    return 0;
}

static int IgnoreError(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

static int WaitUnmapped(Display* display, Window window, const char* file) {
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
    long long size = 0;
    struct stat status;
    if (file && stat(file, &status) == 0)
        size = (long long)status.st_size;
    printf("%lld", (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000);
    if (file)
        printf(" %lld", size);
    putchar('\n');
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
    if (strcmp(argv[1], "colours") == 0 && argc == 6)
        status =
            PrintColourCount(display, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    if (strcmp(argv[1], "count") == 0 && argc == 7)
        status = PrintColourShare(display, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]),
                                  atoi(argv[5]), strtoul(argv[6], NULL, 16));
    if (strcmp(argv[1], "window") == 0 && argc == 6)
        status = KeepWindow(display, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    if (strcmp(argv[1], "ppm") == 0 && argc == 3)
        status = WriteScreen(display, argv[2]);
    if (strcmp(argv[1], "unmapped") == 0 && (argc == 3 || argc == 4))
        status = WaitUnmapped(display, (Window)strtoul(argv[2], NULL, 0), argc == 4 ? argv[3] : NULL);
    if (strcmp(argv[1], "icon") == 0 && argc == 3)
        status = PrintIcon(display, (Window)strtoul(argv[2], NULL, 0));
    if (strcmp(argv[1], "take-focus") == 0)
        status = TakeFocus(display);
    XCloseDisplay(display);
    return status;
}
