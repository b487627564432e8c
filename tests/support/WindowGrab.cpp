#include "tests/support/WindowGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/support/GuiTest.h"

namespace r3dtest {

wxImage GrabWindow(unsigned long xwindow, int width, int height) {
  PumpEvents(20);
  Display* d = XOpenDisplay(nullptr);
  if (!d) return wxImage();
  wxImage out;
  if (XImage* im = XGetImage(d, xwindow, 0, 0, width, height, AllPlanes, ZPixmap)) {
    out.Create(width, height, false);
    unsigned char* p = out.GetData();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x, p += 3) {
        const unsigned long px = XGetPixel(im, x, y);
        p[0] = static_cast<unsigned char>((px & im->red_mask) >> 16);
        p[1] = static_cast<unsigned char>((px & im->green_mask) >> 8);
        p[2] = static_cast<unsigned char>(px & im->blue_mask);
      }
    XDestroyImage(im);
  }
  XCloseDisplay(d);
  return out;
}

}  // namespace r3dtest
