#pragma once
// Helpers for tests that create windows (run under Xvfb).
#include <functional>

#include <wx/gdicmn.h>
#include <wx/image.h>

class wxWindow;

namespace r3dtest {

// Runs pending wx/GTK events until none are left (and at least `minMs` milliseconds have passed).
void PumpEvents(int minMs = 0);
// Pumps events until `done` is true or `timeoutMs` passes; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000);
// Shows a top-level window and waits until it (and its children) are realised on the X server.
bool ShowAndWait(wxWindow* topLevel, int timeoutMs = 3000);

// The pixels on screen over a window's client area, in the X server's pixels (a scaled desktop has
// GetContentScaleFactor() of them per logical pixel); invalid where the screen cannot be read. (Input
// through wxUIActionSimulator takes logical screen points: wx scales them itself.)
wxImage GrabClientArea(wxWindow* window);
// The width x height pixels at (x, y) of X window `xwindow` (0: the root) as the server holds them
// (for a GL canvas: the frame it presented), after pumping pending events; invalid without a server.
wxImage GrabWindow(unsigned long xwindow, int width, int height, int x = 0, int y = 0);

// Counts wx assertions seen by the test main's handler (for tests that expect none or some).
void NoteAssertion();
int AssertionCount();

}  // namespace r3dtest
