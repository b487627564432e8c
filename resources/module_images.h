#pragma once
// The tool's icons: a close-up of a bird's eye with a yellow iris, in colour (2757) and in greys
// (2758), square, fully opaque (alpha 255 everywhere).
#include <wx/image.h>

namespace lib3d {

wxImage draw_viewer_icon(int size, bool grey);

}  // namespace lib3d
