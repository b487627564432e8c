#include "tests/support/GuiTest.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/imagpng.h>
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

wxImage GrabClientArea(wxWindow* window) {
  const double f = window->GetContentScaleFactor();
  const wxPoint logical = window->ClientToScreen(wxPoint(0, 0));
  const wxPoint at(static_cast<int>(logical.x * f), static_cast<int>(logical.y * f));
  const wxSize size = window->GetClientSize() * f;
  const std::string out = std::filesystem::temp_directory_path() / ("r3d-grab-" + std::to_string(getpid()) + ".png");
  const std::string cmd = "import -window root -crop " + std::to_string(size.x) + "x" + std::to_string(size.y) +
                          "+" + std::to_string(at.x) + "+" + std::to_string(at.y) + " '" + out + "' 2>/dev/null";
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  wxImage shot;
  if (std::system(cmd.c_str()) == 0) shot.LoadFile(wxString::FromUTF8(out), wxBITMAP_TYPE_PNG);
  std::remove(out.c_str());
  return shot;
}

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

void NoteAssertion() { ++g_assertions; }
int AssertionCount() { return g_assertions; }

}  // namespace r3dtest
