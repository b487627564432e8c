#include "dialogs/tools/ToolWinDlgOffset.h"

#include <algorithm>
#include <cmath>

#include <wx/statbox.h>

#include "dialogs/tools/ToolHelpers.h"

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
  const wxRect t = DialogRect(124, 18, 36, 10);
  shown_ = new wxStaticText(this, wxID_ANY, wxString(), t.GetPosition(), t.GetSize());
  const wxRect l = DialogRect(6, 44, 70, 10), f = DialogRect(78, 42, 44, 12);
  new wxStaticText(this, wxID_ANY, wxString::FromUTF8(GetResourceString(IDS_TOOLS_EXAGGERATION)), l.GetPosition(),
                   l.GetSize());
  field_ = new wxTextCtrl(this, IDC_EXAGGERATION, wxString(), f.GetPosition(), f.GetSize(), wxTE_PROCESS_ENTER);
  field_->Bind(wxEVT_TEXT_ENTER, &CToolWinDlgOffset::OnExaggerationEntered, this);
  ShowExaggeration();
  applyButton->Disable();  // the page acts live; Apply never does anything
  for (const auto& t : kScrollTypes) Bind(t, &CToolWinDlgOffset::OnHScroll, this);
  InitHelp();
}

void CToolWinDlgOffset::OnHScroll(wxScrollEvent& event) {
  if (event.GetEventObject() == slider_ && view) {
    const int p = slider_->GetValue();
    view->set_scaleZ(static_cast<float>(static_cast<float>(p) / 100.0));
    ShowExaggeration();
  }
  // Handled here: nothing above the page acts on slider moves.
}

void CToolWinDlgOffset::ShowExaggeration() {
  if (!shown_ || !view) return;
  const double truth = view->true_scale_z();
  shown_->SetLabel(wxString::FromUTF8(tools::ExaggerationText(truth > 0 ? view->scale_z() / truth : 0.0)));
  const wxString why = truth > 0 ? wxString() : wxString::FromUTF8(GetResourceString(IDS_TOOLS_NO_TRUE_SCALE));
  shown_->SetToolTip(why);
  field_->SetToolTip(why);
  field_->Enable(truth > 0);
}

void CToolWinDlgOffset::SetExaggeration(double exaggeration) {
  if (!field_) return;
  field_->ChangeValue(wxString::FromCDouble(exaggeration));
  wxCommandEvent entered;
  OnExaggerationEntered(entered);
}

void CToolWinDlgOffset::OnExaggerationEntered(wxCommandEvent&) {
  const double truth = view ? view->true_scale_z() : 0.0;
  double e = 0;
  if (truth > 0 && tools::ParseExaggeration(field_->GetValue().utf8_string(), e)) {
    view->set_scaleZ(static_cast<float>(e * truth));
    // The slider follows where it can (its 1..100 is Z scale 0.01..1) without sending anything.
    slider_->SetValue(std::clamp(static_cast<int>(std::lround(e * truth * 100.0)), 1, 100));
  }
  ShowExaggeration();
}
