/* Times what a window shows, from outside the program: polls rectangles of the window with
 * XGetImage every few milliseconds and prints, for every change of one of them, its index and
 * the wall-clock time in milliseconds (the clock `date +%s%3N` reads):
 *
 *   xr-face-watch WINDOW DURATION_MS X,Y,W,H [X,Y,W,H ...]
 *
 * Exits 0 after DURATION_MS, 2 on a bad command line or when the window cannot be read. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kMaxRects = 8, kPollNs = 3 * 1000 * 1000 };

static long long NowMs(void) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

static int OnXError(Display* display, XErrorEvent* event) {
  (void)display;
  fprintf(stderr, "xr-face-watch: X error %d: the window cannot be read\n", event->error_code);
  exit(2);
}

int main(int argc, char** argv) {
  if (argc < 4 || argc - 3 > kMaxRects) {
    fprintf(stderr, "usage: xr-face-watch WINDOW DURATION_MS X,Y,W,H [X,Y,W,H ...]\n");
    return 2;
  }
  const Window window = (Window)strtoul(argv[1], NULL, 0);
  const long long duration = atoll(argv[2]);
  const int count = argc - 3;
  int rect[kMaxRects][4];
  char* previous[kMaxRects];
  size_t size[kMaxRects];
  for (int i = 0; i < count; ++i) {
    if (sscanf(argv[3 + i], "%d,%d,%d,%d", &rect[i][0], &rect[i][1], &rect[i][2], &rect[i][3]) !=
            4 ||
        rect[i][2] <= 0 || rect[i][3] <= 0) {
      fprintf(stderr, "xr-face-watch: bad rectangle %s\n", argv[3 + i]);
      return 2;
    }
    previous[i] = NULL;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "xr-face-watch: cannot open the display\n");
    return 2;
  }
  XSetErrorHandler(OnXError);
  const long long end = NowMs() + duration;
  const struct timespec pause = {0, kPollNs};
  while (NowMs() < end) {
    for (int i = 0; i < count; ++i) {
      XImage* image = XGetImage(display, window, rect[i][0], rect[i][1], (unsigned)rect[i][2],
                                (unsigned)rect[i][3], AllPlanes, ZPixmap);
      if (image == NULL) {
        fprintf(stderr, "xr-face-watch: no image of the window\n");
        return 2;
      }
      const size_t bytes = (size_t)image->bytes_per_line * (size_t)image->height;
      if (previous[i] == NULL) {
        previous[i] = malloc(bytes);
        size[i] = bytes;
        memcpy(previous[i], image->data, bytes);
      } else if (bytes != size[i] || memcmp(previous[i], image->data, bytes) != 0) {
        printf("%d %lld\n", i, NowMs());
        fflush(stdout);
        if (bytes == size[i]) memcpy(previous[i], image->data, bytes);
      }
      XDestroyImage(image);
    }
    nanosleep(&pause, NULL);
  }
  XCloseDisplay(display);
  return 0;
}
