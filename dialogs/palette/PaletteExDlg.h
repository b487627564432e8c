#pragma once
// C3DPaletteExDlg: the modeless palette editor.
#include <wx/dialog.h>

namespace lib3d { class View; }

class C3DPaletteExDlg : public wxDialog {
public:
  // `parent` is the viewer frame, `view` the view whose palette is edited (not owned).
  C3DPaletteExDlg(wxWindow* parent, lib3d::View* view);
  ~C3DPaletteExDlg() override;
  // Creates the dialog window, hidden. Returns false when the window could not be created.
  bool Create();
  // ... the rest is declared by the implementation.
};
