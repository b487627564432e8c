#include "dialogs/palette/PaletteDraw.h"

#include <algorithm>

#include <wx/graphics.h>
#include <wx/settings.h>

namespace lib3d {
namespace palette {
namespace {

// Column j of a strip: one pixel wide while a strip has at most 512 pixels (later columns overwrite
// earlier ones where they coincide); on a wider strip it reaches up to the next column, so that the
// strip shows no gaps.
void column(wxDC& dc, const Geometry& g, const Rect& area, int j, const wxColour& c) {
  if (area.bottom <= area.top) return;
  const int x0 = g.strip_column(area.left, j);
  const int x1 = std::max(x0 + 1, g.strip_column(area.left, j + 1));
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(c));
  dc.DrawRectangle(x0, area.top, x1 - x0, area.bottom - area.top);
}

void line2(wxDC& dc, wxSystemColour sys, int x0, int y0, int x1, int y1, int x2, int y2) {
  dc.SetPen(wxPen(wxSystemSettings::GetColour(sys), 1));
  dc.DrawLine(x0, y0, x1, y1);
  dc.DrawLine(x1, y1, x2, y2);
}

}  // namespace

wxColour to_wx(Colour c) { return wxColour(red_of(c), green_of(c), blue_of(c)); }
Colour from_wx(const wxColour& c) { return rgb(c.Red(), c.Green(), c.Blue()); }

void prepare_dc(wxDC& dc) {
  if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
}

void draw_marker(wxDC& dc, const Geometry& g, int marker, int value) {
  Triangle t[4];
  const int n = marker_outlines(marker, g.marker_x(value), g.band_of(marker).top, t);
  dc.SetPen(*wxBLACK_PEN);
  for (int i = 0; i < n; ++i) {
    const wxPoint pts[4] = {{t[i].apexX, t[i].apexY}, {t[i].rightX, t[i].rightY}, {t[i].leftX, t[i].leftY},
                            {t[i].apexX, t[i].apexY}};
    dc.DrawLines(4, pts);
  }
}

void erase_marker(wxDC& dc, const Geometry& g, int marker, int value, const wxBrush& eraseBrush) {
  const Rect r = marker_erase_rect(g.marker_x(value), g.band_of(marker).top);
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(eraseBrush);
  dc.DrawRectangle(r.left, r.top, r.width(), r.height());
}

void draw_sunken_frame(wxDC& dc, const Rect& r) {
  line2(dc, wxSYS_COLOUR_BTNHIGHLIGHT, r.left, r.bottom, r.right, r.bottom, r.right, r.top);
  line2(dc, wxSYS_COLOUR_BTNFACE, r.left + 1, r.bottom - 1, r.right - 1, r.bottom - 1, r.right - 1, r.top + 1);
  line2(dc, wxSYS_COLOUR_BTNSHADOW, r.left, r.bottom, r.left, r.top, r.right, r.top);
  line2(dc, wxSYS_COLOUR_3DDKSHADOW, r.left + 1, r.bottom - 1, r.left + 1, r.top + 1, r.right - 1, r.top + 1);
}

void draw_input_strip(wxDC& dc, const Geometry& g) {
  const Rect& a = g.inputStripArea;
  for (int j = 0; j < 512; ++j) column(dc, g, a, j, wxColour(j / 2, j / 2, j / 2));
  draw_sunken_frame(dc, g.inputStripRect);
}

void draw_palette_strip(wxDC& dc, const Geometry& g, const Palette256& palette) {
  const Rect& a = g.paletteStripArea;
  for (int j = 0; j < 512; ++j) column(dc, g, a, j, to_wx(palette[j / 2]));
  draw_sunken_frame(dc, g.paletteStripRect);
}

void draw_swatch(wxDC& dc, const Geometry& g, Colour colour) {
  const Rect& r = g.swatchRect;
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(to_wx(colour)));
  dc.DrawRectangle(r.left, r.top, r.width(), r.height());
  draw_sunken_frame(dc, r);
}

void paint_entry_columns(wxDC& dc, const Geometry& g, int entry, Colour colour) {
  const Rect& a = g.paletteStripArea;
  column(dc, g, a, 2 * entry, to_wx(colour));
  column(dc, g, a, 2 * entry + 1, to_wx(colour));
}

}  // namespace palette
}  // namespace lib3d
