#include "dialogs/tools/ToolWinDlgBcGr.h"

#include <wx/colordlg.h>
#include <wx/dcclient.h>

#include "resources/tools_ids.h"
#include "hostlib/Basekit.h"
#include "view/View.h"

int CToolWinDlgBcGr::nextCustomColor = 0;

namespace {

wxColour ToColour(std::uint32_t c) { return wxColour(tools::RedOf(c), tools::GreenOf(c), tools::BlueOf(c)); }
std::uint32_t ToWord(const wxColour& c) { return tools::ColorWord(c.Red(), c.Green(), c.Blue()); }

// The swatch: a black frame filled with the page's colour.
class Swatch : public wxWindow {
public:
  Swatch(wxWindow* parent, wxWindowID id, const wxRect& r, const std::uint32_t* color)
      : wxWindow(parent, id, r.GetPosition(), r.GetSize(), wxBORDER_NONE), color_(color) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &Swatch::OnPaint, this);
  }

private:
  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize s = GetClientSize();
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(wxBrush(ToColour(*color_)));
    dc.DrawRectangle(0, 0, s.x, s.y);
  }
  const std::uint32_t* color_;
};

}  // namespace

CToolWinDlgBcGr::CToolWinDlgBcGr(lib3d::View* v, wxWindow* parent)
    : CToolPage(v, parent, IDC_APPLY, IDC_HELP, IDC_CLOSE) {
  for (auto& c : customColors) c = 0xFFFFFF;
}

void CToolWinDlgBcGr::InitPage() {
  color = 0x7F7F7F;  // middle grey, the view's own starting background
  for (auto& c : customColors) c = 0xFFFFFF;
  swatch = new Swatch(this, IDC_SWATCH, DialogRect(2, 4, 28, 12), &color);
  const wxRect b = DialogRect(30, 4, 12, 12);
  new wxButton(this, IDC_CHOOSE, wxString::FromUTF8(GetResourceString(IDS_TOOLS_CHOOSE_COLOR)),
               b.GetPosition(), b.GetSize(), wxBU_EXACTFIT);
  InitHelp();
  Bind(wxEVT_BUTTON, &CToolWinDlgBcGr::OnChooseColor, this, IDC_CHOOSE);
  Bind(wxEVT_BUTTON, &CToolWinDlgBcGr::OnApply, this, IDC_APPLY);
  // Showing the page repaints the swatch (GTK paints it on exposure, showing included).
  Bind(wxEVT_SHOW, [this](wxShowEvent& e) {
    e.Skip();
    PaintSwatch();
  });
}

void CToolWinDlgBcGr::PaintSwatch() {
  if (!swatch) return;
  swatch->Refresh(false);
  if (swatch->IsShownOnScreen()) swatch->Update();
}

void CToolWinDlgBcGr::OnChooseColor(wxCommandEvent&) {
  wxColourData data;
  data.SetColour(ToColour(color));
  data.SetChooseFull(true);
  // Every opening pushes the current colour into the custom colours, whatever the user then does.
  tools::PushCustomColor(customColors, nextCustomColor, color);
  for (int i = 0; i < tools::kCustomColorCount; ++i) data.SetCustomColour(i, ToColour(customColors[i]));
  wxColourDialog dlg(this, &data);
  const int result = dlg.ShowModal();
  TakeChooserResult(dlg.GetColourData(), result);
}

void CToolWinDlgBcGr::TakeChooserResult(const wxColourData& data, int result) {
  for (int i = 0; i < tools::kCustomColorCount; ++i) {
    const wxColour c = data.GetCustomColour(i);
    if (c.IsOk()) customColors[i] = ToWord(c);
  }
  if (result == wxID_OK && data.GetColour().IsOk()) {
    color = ToWord(data.GetColour());
    PaintSwatch();
  }
}

void CToolWinDlgBcGr::OnApply(wxCommandEvent&) {
  if (view) view->set_bgColor(color);
}
