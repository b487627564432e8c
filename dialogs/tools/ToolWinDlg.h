#pragma once
// CToolWinDlg: the modeless tool window with the Scale, Lighting and Background pages.
#include <wx/dialog.h>

namespace lib3d { class View; }

class wxNotebook;
class wxBookCtrlEvent;
class CToolPage;
class CToolWinDlgOffset;
class CToolWinDlgSun;
class CToolWinDlgBcGr;

class CToolWinDlg : public wxDialog {
public:
  enum { IDD = 2766, IDC_TAB = 2767, IDC_PLACEHOLDER = 2768 };

  // `parent` is the viewer frame, `view` the view the pages act on (not owned).
  CToolWinDlg(wxWindow* parent, lib3d::View* view);
  ~CToolWinDlg() override;
  // Creates the window and its pages, hidden. Returns false when the window could not be created.
  bool Create();

  lib3d::View* GetView() const { return view; }
  int GetPageCount() const { return pageCount; }
  wxNotebook* GetTab() const { return tab; }
  wxWindow* GetPlaceholder() const { return placeholder; }
  CToolPage* GetPage(int index) const;  // 0 Scale, 1 Lighting, 2 Background; null outside
  CToolWinDlgOffset* GetOffsetPage() const { return pageOffset; }
  CToolWinDlgSun* GetSunPage() const { return pageSun; }
  CToolWinDlgBcGr* GetBcGrPage() const { return pageBcGr; }

  // A click on the tab strip: shows the page of the tab control's current selection and hides the
  // others. Only a click switches pages; a selection moved from the keyboard leaves the page as is.
  void OnTabClick();

private:
  void PlacePages();
  void FitBelowTabStrip();
  void OnTabChanged(wxBookCtrlEvent& event);
  void OnTabMouseUp(wxMouseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnCloseWindow(wxCloseEvent& event);
  void OnToolsClose(wxCommandEvent& event);

  wxWindow* parent_;
  lib3d::View* view;
  int pageCount = 0;
  // The pages are child windows, so the window hierarchy owns and destroys them.
  CToolWinDlgOffset* pageOffset = nullptr;
  CToolWinDlgSun* pageSun = nullptr;
  CToolWinDlgBcGr* pageBcGr = nullptr;
  wxNotebook* tab = nullptr;
  wxWindow* placeholder = nullptr;
};
