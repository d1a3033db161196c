/* Asks a top-level window to close, as a window manager's close box does: a WM_DELETE_WINDOW
 * message of the WM_PROTOCOLS client protocol.
 *
 *   xr-xclose WINDOW_ID      (decimal or 0x hexadecimal, as xdotool prints it)
 *
 * Exits 0 once the message is delivered to the server, 1 when the window does not take part in
 * the protocol (it would have to be killed instead), 2 on any other failure. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int bad_window = 0;

static int on_error(Display* display, XErrorEvent* error) {
  (void)display;
  if (error->error_code == BadWindow) bad_window = 1;
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: xr-xclose WINDOW_ID\n");
    return 2;
  }
  char* end = NULL;
  const unsigned long id = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0) {
    fprintf(stderr, "xr-xclose: not a window id: %s\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "xr-xclose: cannot open the display\n");
    return 2;
  }
  XSetErrorHandler(on_error);
  const Window window = (Window)id;
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);

  Atom* supported = NULL;
  int count = 0;
  int takes_delete = 0;
  if (XGetWMProtocols(display, window, &supported, &count)) {
    for (int i = 0; i < count; ++i) {
      if (supported[i] == delete_window) takes_delete = 1;
    }
    XFree(supported);
  }
  if (bad_window) {
    fprintf(stderr, "xr-xclose: no such window: %s\n", argv[1]);
    XCloseDisplay(display);
    return 2;
  }
  if (!takes_delete) {
    fprintf(stderr, "xr-xclose: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
    XCloseDisplay(display);
    return 1;
  }

  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)delete_window;
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  if (bad_window) {
    fprintf(stderr, "xr-xclose: no such window: %s\n", argv[1]);
    return 2;
  }
  return 0;
}
