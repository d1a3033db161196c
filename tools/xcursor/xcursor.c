/* Tells whether the pointer's current image on the X display has any visible pixel.
 *
 *   xr-xcursor   prints "visible" (exit 0) or "blank" (exit 1), then the image's size and its
 *                number of visible pixels; exits 2 when it cannot tell.
 *
 * The server composes the image from whatever cursor the window under the pointer asks for, so
 * this sees a program's blank cursor exactly as a user would, which no query of the program's
 * own state can. */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void) {
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "xr-xcursor: cannot open the display\n");
    return 2;
  }
  int event_base = 0;
  int error_base = 0;
  if (!XFixesQueryExtension(display, &event_base, &error_base)) {
    fprintf(stderr, "xr-xcursor: the X server has no XFixes extension\n");
    XCloseDisplay(display);
    return 2;
  }
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (image == NULL) {
    fprintf(stderr, "xr-xcursor: no cursor image\n");
    XCloseDisplay(display);
    return 2;
  }
  /* Pixels are premultiplied ARGB in the low 32 bits of each long; a pixel shows when its
   * alpha is not zero. */
  unsigned long shown = 0;
  const unsigned long count = (unsigned long)image->width * image->height;
  for (unsigned long i = 0; i < count; ++i) {
    if (((image->pixels[i] >> 24) & 0xFFu) != 0) ++shown;
  }
  const int visible = shown > 0;
  printf("%s %ux%u %lu\n", visible ? "visible" : "blank", image->width, image->height, shown);
  XFree(image);
  XCloseDisplay(display);
  return visible ? 0 : 1;
}
