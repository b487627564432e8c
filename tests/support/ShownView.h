#pragma once
// A relief view filling a frame of its size, and mouse events sent straight to it (no X round trip).
#include <initializer_list>
#include <tuple>
#include <vector>

#include <wx/frame.h>

#include "tests/support/GuiTest.h"
#include "view/View.h"

namespace r3dtest {

struct ShownView {
  // Made with `relief` and, unless `show` is false, shown and realised on the X server.
  ShownView(int w, int h, bool show = true, const std::vector<float>& relief = {}, std::size_t rw = 0, std::size_t rh = 0)
      : w(w), h(h), frame(new wxFrame(nullptr, wxID_ANY, "view")) {
    frame->SetClientSize(w, h);
    view = lib3d::View::make(frame, relief, rw, rh, wxRect(0, 0, w, h));
    if (show) Show();
  }
  ~ShownView() {
    frame->Destroy();
    PumpEvents();
  }
  bool Show() {
    const bool ok = ShowAndWait(frame);
    SizeView(w, h);
    return ok && view->IsShownOnScreen();
  }
  // Sizes the view and waits until the server has the window at that size and it painted what that uncovered.
  void SizeView(int width, int height) const {
    view->SetSize(0, 0, width, height);
    const wxSize px = wxSize(width, height) * view->GetContentScaleFactor();
    WaitFor([&] { return XWindowSize(view->GetXWindow()) == px; });
    PumpEvents();
    view->Update();
  }
  // What the X server holds in the view's window: the frame it presented.
  wxImage Presented() const { return GrabWindow(view->GetXWindow(), w, h); }
  void Mouse(std::initializer_list<std::tuple<wxEventType, int, int>> events) const {
    for (const auto& [type, x, y] : events) {
      wxMouseEvent ev(type);
      ev.SetPosition(wxPoint(x, y));
      ev.SetEventObject(view);
      view->ProcessWindowEvent(ev);
    }
  }

  int w, h;
  wxFrame* frame;
  lib3d::View* view = nullptr;
};

}  // namespace r3dtest
