/* From a key press to changed pixels on a real X server: presses the main
 * window's "step forward" menu command (Alt+P, then U) through the XTEST
 * extension and watches a square of the screen inside the picture until its
 * pixels change. Prints each step's time and the median.
 *
 *   key_to_pixels STEPS PAUSE_MS X Y SIZE
 *
 * PAUSE_MS stands for the time a person looks at each picture before the
 * next key; the viewer prepares the next picture meanwhile. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static uint64_t region_hash(Display* display, Window root, int x, int y, int size) {
    XImage* image = XGetImage(display, root, x, y, (unsigned)size, (unsigned)size, AllPlanes, ZPixmap);
    if (!image) return 0;
    uint64_t hash = 1469598103934665603ull;
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) hash = (hash ^ XGetPixel(image, column, row)) * 1099511628211ull;
    XDestroyImage(image);
    return hash;
}

static void tap(Display* display, KeySym symbol) {
    const KeyCode code = XKeysymToKeycode(display, symbol);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
}

/* Where the display menu drops down, below its title in the menu bar. */
enum { kMenuX = 85, kMenuY = 60, kMenuSize = 40 };

/* Waits until the square's pixels differ from `before`; the milliseconds it
 * took, or -1 after five seconds. */
static double wait_for_change(Display* display, Window root, int x, int y, int size, uint64_t before) {
    const double start = now_ms();
    while (now_ms() - start < 5000) {
        if (region_hash(display, root, x, y, size) != before) return now_ms() - start;
    }
    return -1;
}

static int by_value(const void* a, const void* b) {
    const double d = *(const double*)a - *(const double*)b;
    return (d > 0) - (d < 0);
}

int main(int argc, char** argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: key_to_pixels STEPS PAUSE_MS X Y SIZE\n");
        return 2;
    }
    const int steps = atoi(argv[1]), pause_ms = atoi(argv[2]);
    const int x = atoi(argv[3]), y = atoi(argv[4]), size = atoi(argv[5]);
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "key_to_pixels: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    double* times = calloc((size_t)steps, sizeof(double));
    int measured = 0;
    for (int i = 0; i < steps; ++i) {
        const uint64_t before = region_hash(display, root, x, y, size);
        /* Open the display menu and wait until it shows before the command key. */
        const uint64_t menu_closed = region_hash(display, root, kMenuX, kMenuY, kMenuSize);
        const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
        XTestFakeKeyEvent(display, alt, True, CurrentTime);
        tap(display, XK_p);
        XTestFakeKeyEvent(display, alt, False, CurrentTime);
        XSync(display, False);
        if (wait_for_change(display, root, kMenuX, kMenuY, kMenuSize, menu_closed) < 0) {
            printf("step %2d: the display menu did not open within 5 s\n", i + 1);
            break;
        }
        const double pressed = now_ms();
        tap(display, XK_u);
        XSync(display, False);
        const double changed =
            wait_for_change(display, root, x, y, size, before) < 0 ? -1 : now_ms() - pressed;
        if (changed < 0) {
            printf("step %2d: no change within 5 s\n", i + 1);
        } else {
            printf("step %2d: %.1f ms\n", i + 1, changed);
            times[measured++] = changed;
        }
        fflush(stdout);
        usleep((useconds_t)pause_ms * 1000);
    }
    if (measured > 0) {
        qsort(times, (size_t)measured, sizeof(double), by_value);
        printf("key to pixels: median %.1f ms over %d steps, fastest %.1f, slowest %.1f\n", times[measured / 2],
               measured, times[0], times[measured - 1]);
    }
    free(times);
    XCloseDisplay(display);
    return measured == steps ? 0 : 1;
}
