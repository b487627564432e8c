#pragma once
// Drawing of the palette dialog's strips, swatch and markers into any device context, so that the
// dialog draws at once through a client context and tests draw into a memory bitmap.
#include <wx/brush.h>
#include <wx/dc.h>

#include "colour/PaletteLogic.h"

namespace lib3d {
namespace palette {

wxColour to_wx(Colour c);
Colour from_wx(const wxColour& c);

// Pixel-exact lines: the cairo-backed contexts of GTK3 would otherwise blur the markers' slopes.
void prepare_dc(wxDC& dc);

void draw_marker(wxDC& dc, const Geometry& g, int marker, int value);
void erase_marker(wxDC& dc, const Geometry& g, int marker, int value, const wxBrush& eraseBrush);
void draw_sunken_frame(wxDC& dc, const Rect& r);
void draw_input_strip(wxDC& dc, const Geometry& g);
void draw_palette_strip(wxDC& dc, const Geometry& g, const Palette256& palette);
void draw_swatch(wxDC& dc, const Geometry& g, Colour colour);
void paint_entry_columns(wxDC& dc, const Geometry& g, int entry, Colour colour);

}  // namespace palette
}  // namespace lib3d
