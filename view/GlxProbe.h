#pragma once

namespace lib3d {

// Whether the display GTK runs on offers GLX, which Debian's wx GL canvas needs. False under GTK's
// Wayland backend (there is no X display at all) and on X servers without the extension.
bool glx_available();

}  // namespace lib3d
