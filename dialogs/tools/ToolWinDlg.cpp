#include "dialogs/tools/ToolWinDlg.h"

#include <wx/notebook.h>
#include <wx/utils.h>

#include "resources/tools_ids.h"
#include "dialogs/tools/ToolWinDlgBcGr.h"
#include "dialogs/tools/ToolWinDlgOffset.h"
#include "dialogs/tools/ToolWinDlgSun.h"
#include "hostlib/Basekit.h"

namespace {
wxString Text(int id) { return wxString::FromUTF8(GetResourceString(id)); }
}  // namespace

CToolWinDlg::CToolWinDlg(wxWindow* parent, lib3d::View* v) : parent_(parent), view(v) {}

CToolWinDlg::~CToolWinDlg() = default;

CToolPage* CToolWinDlg::GetPage(int index) const {
  switch (index) {
    case 0: return pageOffset;
    case 1: return pageSun;
    case 2: return pageBcGr;
    default: return nullptr;
  }
}

bool CToolWinDlg::Create() {
  if (GetHandle()) return true;  // created once
  // Caption, system menu and a fixed frame; a dialog stays hidden until shown.
  if (!wxDialog::Create(parent_, IDD, Text(IDS_TOOLS_CAPTION), wxDefaultPosition, wxDefaultSize,
                        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX))
    return false;
  UseCompactControls(this);
  SetFont(ToolWindowFont());
  SetClientSize(ConvertDialogToPixels(wxSize(283, 149)));
  // Enter and Escape do nothing in this window.
  SetEscapeId(wxID_NONE);
  SetAffirmativeId(wxID_NONE);

  auto dlu = [this](int x, int y, int w, int h) {
    return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(w, h)));
  };
  pageCount = 3;
  // The tab control carries only the tab strip: its own pages are empty, and the real pages are
  // children of this window laid over the placeholder, so that only a click decides which one shows.
  const wxRect tr = dlu(4, 4, 275, 140);
  tab = new wxNotebook(this, IDC_TAB, tr.GetPosition(), tr.GetSize());
  const int tabTexts[] = {IDS_TOOLS_TAB_SCALE, IDS_TOOLS_TAB_LIGHTING, IDS_TOOLS_TAB_BACKGROUND};
  for (int i = 0; i < pageCount; ++i) tab->InsertPage(i, new wxPanel(tab), Text(tabTexts[i]), i == 0);
  const wxRect pr = dlu(4, 16, 275, 128);
  placeholder = new wxWindow(this, IDC_PLACEHOLDER, pr.GetPosition(), pr.GetSize());
  placeholder->Hide();

  pageOffset = new CToolWinDlgOffset(view);
  pageSun = new CToolWinDlgSun(view);
  pageBcGr = new CToolWinDlgBcGr(view);
  pageOffset->CreatePage(this, CToolWinDlgOffset::IDD);
  pageSun->CreatePage(this, CToolWinDlgSun::IDD);
  pageBcGr->CreatePage(this, CToolWinDlgBcGr::IDD);

  PlacePages();
  for (int i = 0; i < pageCount; ++i) GetPage(i)->Show(i == 0);
  // GTK's tab strip is taller than the 12 dialog units the layout leaves above the pages, and its
  // height is known only once the tab control is laid out on screen: then the pages move down below
  // it if they would cover it.
  // Under a window manager the strip may settle only after the window is mapped: it is measured
  // again whenever the window is shown.
  auto fit_later = [this](wxEvent& e) {
    e.Skip();
    CallAfter([this] { FitBelowTabStrip(); });
  };
  tab->GetPage(0)->Bind(wxEVT_SIZE, fit_later);
  Bind(wxEVT_SHOW, fit_later);

  tab->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &CToolWinDlg::OnTabChanged, this);
  tab->Bind(wxEVT_LEFT_UP, &CToolWinDlg::OnTabMouseUp, this);
  Bind(wxEVT_CHAR_HOOK, &CToolWinDlg::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CToolWinDlg::OnCloseWindow, this);
  Bind(EVT_TOOLS_CLOSE, &CToolWinDlg::OnToolsClose, this);
  // No OK or Cancel: a stray command with those ids must not end or hide the window.
  Bind(wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_OK);
  Bind(wxEVT_BUTTON, [](wxCommandEvent&) {}, wxID_CANCEL);
  return true;
}

void CToolWinDlg::PlacePages() {
  // Centre each page on the placeholder (integer halves), keeping its size.
  const wxRect p = placeholder->GetRect();
  const int L = p.x, T = p.y, R = p.x + p.width, B = p.y + p.height;
  for (int i = 0; i < pageCount; ++i) {
    CToolPage* page = GetPage(i);
    const wxSize s = page->GetClientSize();
    page->Move(L + (R - s.x - L) / 2, T + (B - s.y - T) / 2);
  }
}

void CToolWinDlg::FitBelowTabStrip() {
  if (!tab || !placeholder || tab->GetPageCount() == 0) return;
  const int pageAreaTop = ScreenToClient(tab->GetPage(0)->GetScreenPosition()).y;
  const int delta = pageAreaTop - placeholder->GetPosition().y;
  if (delta <= 0) return;
  // The placeholder, the tab control's bottom and the window grow down together.
  placeholder->Move(placeholder->GetPosition() + wxPoint(0, delta));
  tab->SetSize(tab->GetSize() + wxSize(0, delta));
  SetClientSize(GetClientSize() + wxSize(0, delta));
  PlacePages();
}

void CToolWinDlg::OnTabClick() {
  if (!tab) return;
  const int selected = tab->GetSelection();
  for (int i = 0; i < pageCount; ++i) {
    if (CToolPage* page = GetPage(i)) page->Show(i == selected);
  }
}

void CToolWinDlg::OnTabChanged(wxBookCtrlEvent& event) {
  event.Skip();
  // Whatever changed the tab (a click anywhere on it, down to its bottom edge where GTK selects it
  // without a release reaching the tab strip, or the keyboard), the page shown is the tab's.
  OnTabClick();
}

void CToolWinDlg::OnTabMouseUp(wxMouseEvent& event) {
  event.Skip();
  // The release ends the click whether or not the tab changed (a click on the current tab too).
  CallAfter([this] { OnTabClick(); });
}

void CToolWinDlg::OnCharHook(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      return;  // swallowed: neither closes nor activates anything
    default:
      event.Skip();
  }
}

void CToolWinDlg::OnCloseWindow(wxCloseEvent& event) {
  // Hidden, never destroyed: the pages keep their values for the next Tools command.
  if (event.CanVeto()) event.Veto();
  Hide();
}

void CToolWinDlg::OnToolsClose(wxCommandEvent& event) {
  if (event.GetInt() == WM_TOOLS_CLOSE) Hide();
}
