#include "tests/support/GuiTest.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>
#include <wx/window.h>

// After wx: Xlib's macros (Status, None, ...) would clash with wx's names.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace r3dtest {
namespace {
int g_assertions = 0;

void PumpOnce() {
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
    while (loop->Pending()) loop->Dispatch();
  if (wxTheApp) wxTheApp->ProcessPendingEvents(), wxTheApp->ProcessIdle();
}

// Without a running main loop there is no active event loop; lend one for the time of a pump.
struct LoopGuard {
  wxEventLoopBase* created = nullptr;
  LoopGuard() {
    if (!wxEventLoopBase::GetActive() && wxTheApp) wxEventLoopBase::SetActive(created = wxTheApp->GetTraits()->CreateEventLoop());
  }
  ~LoopGuard() {
    if (created) wxEventLoopBase::SetActive(nullptr), delete created;
  }
};
// Shown and mapped by the server (an iconified window is not: its toolkit paints nothing).
bool Viewable(wxWindow* topLevel) {
  GdkWindow* w = topLevel->IsShownOnScreen() ? gtk_widget_get_window(topLevel->GetHandle()) : nullptr;
  if (!w || !GDK_IS_X11_WINDOW(w)) return w != nullptr;
  XWindowAttributes a;
  return XGetWindowAttributes(GDK_WINDOW_XDISPLAY(w), GDK_WINDOW_XID(w), &a) && a.map_state == IsViewable;
}
}  // namespace

bool WaitFor(const std::function<bool()>& done, int hangGuardMs) {
  LoopGuard guard;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(hangGuardMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpOnce();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A round trip first: then every event the server owed the program has arrived. GTK styles, lays
// out and paints by its frame clock, so then each shown top-level window's clock is asked for one
// more frame and waited for: what was due is done by its end. Once more for what the frames queued.
void PumpEvents() {
  LoopGuard guard;
  for (int pass = 0; pass < 2; ++pass) {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
    PumpOnce();
    std::vector<std::pair<GdkFrameClock*, gulong>> clocks;
    int frames = 0;
    for (wxWindow* w : wxTopLevelWindows) {
      GdkWindow* g = Viewable(w) ? gtk_widget_get_window(w->GetHandle()) : nullptr;
      if (GdkFrameClock* clock = g ? gdk_window_get_frame_clock(g) : nullptr) {
        const GCallback count = G_CALLBACK(+[](GdkFrameClock*, int* n) { ++*n; });
        clocks.emplace_back(clock, g_signal_connect(clock, "after-paint", count, &frames));
        gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_AFTER_PAINT);
      }
    }
    WaitFor([&] { return frames >= static_cast<int>(clocks.size()); });
    for (const auto& [clock, handler] : clocks) g_signal_handler_disconnect(clock, handler);
  }
  PumpOnce();
}

// A window manager may take its time to let the window through.
bool ShowAndWait(wxWindow* topLevel) {
  topLevel->Show();
  const bool ok = WaitFor([&] { return Viewable(topLevel); });
  PumpEvents();
  return ok;
}

bool WindowManagerMinimises() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, left = 0;
  unsigned char* data = nullptr;
  bool hidden = false;
  if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTED", False), 0, 4096, False, XA_ATOM,
                         &type, &format, &n, &left, &data) == Success && data && format == 32) {
    const Atom want = XInternAtom(d, "_NET_WM_STATE_HIDDEN", False);
    for (unsigned long i = 0; i < n; ++i) hidden = hidden || reinterpret_cast<Atom*>(data)[i] == want;
  }
  if (data) XFree(data);
  XCloseDisplay(d);
  return hidden;
}

// The root window holds what the screen shows, other windows' pixels over this one included.
wxImage GrabClientArea(wxWindow* window) {
  PumpEvents();
  const double f = window->GetContentScaleFactor();
  const wxPoint at = window->ClientToScreen(wxPoint(0, 0));
  const wxSize size = window->GetClientSize() * f;
  return GrabWindow(0, size.x, size.y, static_cast<int>(at.x * f), static_cast<int>(at.y * f));
}

wxImage GrabWindow(unsigned long xwindow, int width, int height, int x, int y) {
  PumpEvents();
  Display* d = XOpenDisplay(nullptr);
  if (!d) return wxImage();
  wxImage out;
  if (XImage* im = XGetImage(d, xwindow ? xwindow : DefaultRootWindow(d), x, y, width, height, AllPlanes, ZPixmap)) {
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

wxSize XWindowSize(unsigned long xwindow) {
  GdkDisplay* display = gdk_display_get_default();
  XWindowAttributes a;
  if (!xwindow || !display || !GDK_IS_X11_DISPLAY(display) || !XGetWindowAttributes(GDK_DISPLAY_XDISPLAY(display), xwindow, &a))
    return wxSize();
  return wxSize(a.width, a.height);
}

void NoteAssertion() { ++g_assertions; }
int AssertionCount() { return g_assertions; }

}  // namespace r3dtest
