/* Tells whether X's screen saver is on: the display blanked for idleness.
 *
 *   xr-xsaver   prints "on" (exit 0) or "off" (exit 1), then the idle time the server counts in
 *               milliseconds; exits 2 when it cannot tell.
 *
 * Asked of the server itself, so it sees what a room sees whatever the program believes. */
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <stdio.h>

int main(void) {
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "xr-xsaver: cannot open the display\n");
    return 2;
  }
  int event_base = 0;
  int error_base = 0;
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  if (info == NULL || !XScreenSaverQueryExtension(display, &event_base, &error_base) ||
      !XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
    fprintf(stderr, "xr-xsaver: the X server cannot tell\n");
    XCloseDisplay(display);
    return 2;
  }
  const int on = info->state == ScreenSaverOn;
  printf("%s %lu\n", on ? "on" : "off", info->idle);
  XFree(info);
  XCloseDisplay(display);
  return on ? 0 : 1;
}
