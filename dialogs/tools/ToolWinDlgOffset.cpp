#include "dialogs/tools/ToolWinDlgOffset.h"

#include <wx/statbox.h>

#include "resources/tools_ids.h"
#include "hostlib/Basekit.h"
#include "view/View.h"

namespace {

// Every scroll notification type a slider can send: line and page steps, Home/End, thumb drags,
// the release and the final "changed" that GTK sends after each move.
const wxEventTypeTag<wxScrollEvent> kScrollTypes[] = {
    wxEVT_SCROLL_TOP,      wxEVT_SCROLL_BOTTOM,     wxEVT_SCROLL_LINEUP,
    wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP,     wxEVT_SCROLL_PAGEDOWN,
    wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED,
};

}  // namespace

CToolWinDlgOffset::CToolWinDlgOffset(lib3d::View* v, wxWindow* parent)
    : CToolPage(v, parent, IDC_APPLY, IDC_HELP, IDC_CLOSE) {}

void CToolWinDlgOffset::InitPage() {
  // The box first, so that the slider lies above it.
  const wxRect box = DialogRect(2, 4, 120, 32);
  new wxStaticBox(this, wxID_ANY, wxString::FromUTF8(GetResourceString(IDS_TOOLS_SCALE_GROUP)),
                  box.GetPosition(), box.GetSize());
  const wxRect r = DialogRect(6, 16, 112, 12);
  // Starts at 99 while the view keeps its own 1.0 until the slider first moves.
  slider_ = MakeSlider(this, IDC_SLIDER, 1, 100, r);
  slider_->SetValue(99);
  applyButton->Disable();  // the page acts live; Apply never does anything
  for (const auto& t : kScrollTypes) Bind(t, &CToolWinDlgOffset::OnHScroll, this);
  InitHelp();
}

void CToolWinDlgOffset::OnHScroll(wxScrollEvent& event) {
  if (event.GetEventObject() == slider_ && view) {
    const int p = slider_->GetValue();
    view->set_scaleZ(static_cast<float>(static_cast<float>(p) / 100.0));
  }
  // Handled here: nothing above the page acts on slider moves.
}
