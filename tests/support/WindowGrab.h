#pragma once
// What the X server shows in a window: the frame a GL canvas presented, read back from the server.
#include <wx/image.h>

namespace r3dtest {

// The top-left width x height pixels of X window `xwindow` (after pumping pending events);
// an invalid image when the server cannot be reached.
wxImage GrabWindow(unsigned long xwindow, int width, int height);

}  // namespace r3dtest
