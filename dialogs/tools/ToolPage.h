#pragma once
// What the three pages of the tool window share: the view pointer, the 265 x 120 dialog-unit
// panel with Apply, Help and Close along its bottom edge, the help path and the Close message.
//
// On Windows the pages are child dialogs. A wx dialog is always a top-level window, so here each page
// is a panel that is a child of the tool window; it is constructed without a window (view and
// parent only) and becomes a window in CreatePage, which runs the page's opening.
#include <string>

#include <wx/button.h>
#include <wx/event.h>
#include <wx/panel.h>

namespace lib3d { class View; }

// Private message from a page's Close button to the tool window ("hide yourself"). It travels as
// a command event of this type, processed synchronously by the page's parent, with GetInt() equal to
// the message number the pages and the tool window agree on.
enum { WM_TOOLS_CLOSE = 8801 };
wxDECLARE_EVENT(EVT_TOOLS_CLOSE, wxCommandEvent);

class CToolPage : public wxPanel {
public:
  CToolPage(lib3d::View* view, wxWindow* parent, int applyId, int helpId, int closeId);
  ~CToolPage() override;

  // Makes the page a child window of `parent` (the tool window) and runs its opening.
  bool CreatePage(wxWindow* parent, wxWindowID id);

  lib3d::View* GetView() const { return view; }
  const std::string& GetHelpPath() const { return helpPath; }
  wxButton* GetApplyButton() const { return applyButton; }
  wxButton* GetHelpButton() const { return helpButton; }
  wxButton* GetCloseButton() const { return closeButton; }

  // Rectangle in pixels of a control given in the page's dialog units.
  wxRect DialogRect(int x, int y, int w, int h) const;

protected:
  // The page's own controls and starting values; called once from CreatePage after the buttons exist.
  virtual void InitPage() = 0;
  // Builds the help path from the process command line and disables Help when the book is missing.
  void InitHelp();
  void OnHelp(wxCommandEvent& event);
  void OnClosePage(wxCommandEvent& event);

  lib3d::View* view;  // not owned
  std::string helpPath;
  wxButton* applyButton = nullptr;
  wxButton* helpButton = nullptr;
  wxButton* closeButton = nullptr;

private:
  int applyId_, helpId_, closeId_;
};

// A horizontal slider without ticks over `r`; GTK sliders need more height than the layout gives, so
// the slider gets at least its natural height, centred on the rectangle.
class wxSlider* MakeSlider(wxWindow* parent, wxWindowID id, int lo, int hi, const wxRect& r);

// The font the tool window's layout is measured in: dialog units follow the font, and the window's
// layout was designed for an 8-point sans-serif face.
wxFont ToolWindowFont();
