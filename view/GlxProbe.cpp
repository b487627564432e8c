// Kept apart from the view: the GLX header drags in Xlib's macros (None, Status, Bool).
#include "view/GlxProbe.h"

#include <GL/glx.h>
#include <wx/utils.h>

namespace lib3d {

bool glx_available() {
  static const bool available = [] {
    const wxDisplayInfo info = wxGetDisplayInfo();
    if (info.type != wxDisplayX11 || !info.dpy) return false;
    int error_base = 0, event_base = 0;
    return glXQueryExtension(static_cast<Display*>(info.dpy), &error_base, &event_base) != 0;
  }();
  return available;
}

}  // namespace lib3d
