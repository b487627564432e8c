#pragma once
// The viewer frame's toolbar strip: seven 17 x 16 images side by side (119 x 16) on light grey
// (192, 192, 192), which the toolbar treats as transparent. No drawn pixel uses that grey.
#include <wx/image.h>

namespace lib3d {

constexpr unsigned char kToolbarTransparentGrey = 192;

wxImage draw_toolbar_strip();

}  // namespace lib3d
