#include "tests/support/GuiTest.h"

#include <chrono>
#include <thread>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/window.h>

// After wx: Xlib's macros (Status, None, ...) would clash with wx's names.
#include <X11/Xlib.h>
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
}  // namespace

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  LoopGuard guard;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpOnce();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// At least one pass, then one more for what the last pass queued.
void PumpEvents(int minMs) {
  WaitFor([] { return false; }, minMs);
  LoopGuard guard;
  PumpOnce();
}

bool ShowAndWait(wxWindow* topLevel, int timeoutMs) {
  topLevel->Show();
  const bool ok = WaitFor([&] { return topLevel->IsShownOnScreen(); }, timeoutMs);
  PumpEvents(50);
  return ok;
}

// The root window holds what the screen shows, other windows' pixels over this one included.
wxImage GrabClientArea(wxWindow* window) {
  const double f = window->GetContentScaleFactor();
  const wxPoint at = window->ClientToScreen(wxPoint(0, 0));
  const wxSize size = window->GetClientSize() * f;
  return GrabWindow(0, size.x, size.y, static_cast<int>(at.x * f), static_cast<int>(at.y * f));
}

wxImage GrabWindow(unsigned long xwindow, int width, int height, int x, int y) {
  PumpEvents(20);
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

void NoteAssertion() { ++g_assertions; }
int AssertionCount() { return g_assertions; }

}  // namespace r3dtest
