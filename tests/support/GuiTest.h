#pragma once
// Helpers for tests that create windows (run under Xvfb).
#include <functional>

#include <wx/event.h>
#include <wx/eventfilter.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

class wxWindow;

namespace r3dtest {

// Runs what wx and GTK have pending after a round trip to the X server (every event it owed the
// program has then arrived) and the next frame of each shown top-level window (GTK styles, lays out
// and paints by its frame clock).
void PumpEvents();
// Pumps events until `done` is true; returns done(). The time limit only keeps a broken test from
// hanging the run: no test waits for a time.
bool WaitFor(const std::function<bool()>& done, int hangGuardMs = 120000);
// Shows a top-level window and waits until it is realised on the X server and painted.
bool ShowAndWait(wxWindow* topLevel);
// Whether a window manager on the display minimises windows (says it supports hidden ones).
bool WindowManagerMinimises();

// Counts, while it lives, the events of one type the program handles (those for `of` only, unless
// null): wx hands every event to its filters before any handler.
class EventCount : public wxEventFilter {
public:
  explicit EventCount(wxEventType type, wxObject* of = nullptr) : type_(type), of_(of) { wxEvtHandler::AddFilter(this); }
  ~EventCount() override { wxEvtHandler::RemoveFilter(this); }
  int operator()() const { return n_; }
  int FilterEvent(wxEvent& e) override {
    n_ += e.GetEventType() == type_ && (!of_ || e.GetEventObject() == of_);
    return Event_Skip;
  }

private:
  wxEventType type_;
  wxObject* of_;
  int n_ = 0;
};

// The pixels on screen over a window's client area, in the X server's pixels (a scaled desktop has
// GetContentScaleFactor() of them per logical pixel); invalid where the screen cannot be read. (Input
// through wxUIActionSimulator takes logical screen points: wx scales them itself.) After PumpEvents.
wxImage GrabClientArea(wxWindow* window);
// The width x height pixels at (x, y) of X window `xwindow` (0: the root) as the server holds them
// (for a GL canvas: the frame it presented), after PumpEvents; invalid without a server.
wxImage GrabWindow(unsigned long xwindow, int width, int height, int x = 0, int y = 0);
// The size of X window `xwindow` as the server has it; 0 x 0 without one.
wxSize XWindowSize(unsigned long xwindow);

// Counts wx assertions seen by the test main's handler (for tests that expect none or some).
void NoteAssertion();
int AssertionCount();

}  // namespace r3dtest
