#include "dialogs/tools/ToolPage.h"

#include <algorithm>

#include <wx/filename.h>
#include <wx/slider.h>

#include "dialogs/tools/ToolHelpers.h"
#include "resources/tools_ids.h"
#include "hostlib/Basekit.h"
#include "hostlib/HostLayout.h"

wxDEFINE_EVENT(EVT_TOOLS_CLOSE, wxCommandEvent);

namespace {
wxString Text(int id) { return wxString::FromUTF8(GetResourceString(id)); }
}  // namespace

wxSlider* MakeSlider(wxWindow* parent, wxWindowID id, int lo, int hi, const wxRect& r) {
  auto* s = new wxSlider(parent, id, lo, lo, hi, r.GetPosition(), r.GetSize(), wxSL_HORIZONTAL);
  const int h = std::max(r.height, s->GetBestSize().y);
  s->SetSize(r.x, r.y + (r.height - h) / 2, r.width, h);
  return s;
}

wxFont ToolWindowFont() { return wxFont(wxFontInfo(8).Family(wxFONTFAMILY_SWISS)); }

CToolPage::CToolPage(lib3d::View* v, wxWindow* /*parent*/, int applyId, int helpId, int closeId)
    : view(v), applyId_(applyId), helpId_(helpId), closeId_(closeId) {}

CToolPage::~CToolPage() = default;

wxRect CToolPage::DialogRect(int x, int y, int w, int h) const {
  return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
}

bool CToolPage::CreatePage(wxWindow* parent, wxWindowID id) {
  if (!parent) return false;
  // Created hidden: the tool window places the page before anything is shown.
  Hide();
  if (!wxPanel::Create(parent, id, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE))
    return false;
  SetFont(ToolWindowFont());
  SetClientSize(ConvertDialogToPixels(wxSize(265, 120)));

  applyButton = new wxButton(this, applyId_, Text(IDS_TOOLS_APPLY), DialogRect(2, 106, 50, 12).GetPosition(),
                             DialogRect(2, 106, 50, 12).GetSize());
  helpButton = new wxButton(this, helpId_, Text(IDS_TOOLS_HELP), DialogRect(56, 106, 50, 12).GetPosition(),
                            DialogRect(56, 106, 50, 12).GetSize());
  closeButton = new wxButton(this, closeId_, Text(IDS_TOOLS_CLOSE), DialogRect(110, 106, 50, 12).GetPosition(),
                             DialogRect(110, 106, 50, 12).GetSize());
  Bind(wxEVT_BUTTON, &CToolPage::OnHelp, this, helpId_);
  Bind(wxEVT_BUTTON, &CToolPage::OnClosePage, this, closeId_);

  InitPage();
  return true;
}

void CToolPage::InitHelp() {
  helpPath = tools::MakeHelpPath(GetHostShareDir());
  // Only a missing book changes the button; an existing one leaves it as the page set it.
  if (!wxFileName::FileExists(wxString::FromUTF8(helpPath)))
    helpButton->Enable(IsFileExist(helpPath.c_str()) != 0);
}

void CToolPage::OnHelp(wxCommandEvent&) {
  const std::string address = tools::MakeToolsHelpAddress(helpPath, GetResourceString(IDS_TOOLS_LANGUAGE_TAG));
  HtmlHelpA(nullptr, address.c_str(), HH_DISPLAY_TOPIC, 0);
}

void CToolPage::OnClosePage(wxCommandEvent&) {
  wxWindow* owner = GetParent();
  if (!owner) return;
  wxCommandEvent message(EVT_TOOLS_CLOSE, GetId());
  message.SetInt(WM_TOOLS_CLOSE);
  message.SetEventObject(this);
  owner->GetEventHandler()->ProcessEvent(message);
}
