#pragma once
// CToolWinDlg: the modeless tool window with the Scale, Lighting and Background pages.
#include <wx/dialog.h>

namespace lib3d { class View; }

class CToolWinDlg : public wxDialog {
public:
  // `parent` is the viewer frame, `view` the view the pages act on (not owned).
  CToolWinDlg(wxWindow* parent, lib3d::View* view);
  ~CToolWinDlg() override;
  // Creates the window and its pages, hidden. Returns false when the window could not be created.
  bool Create();
  // ... the rest is declared by the implementation.
};
