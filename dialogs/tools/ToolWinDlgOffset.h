#pragma once
// CToolWinDlgOffset: the Scale page; one slider stretches the relief along Z while it moves, and
// beside it the exaggeration that the Z scale means for a georeferenced relief, with a field to set it.
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/tools/ToolPage.h"

class CToolWinDlgOffset : public CToolPage {
public:
  enum { IDD = 2772, IDC_SLIDER = 2775, IDC_APPLY = 2776, IDC_CLOSE = 2777, IDC_HELP = 2779, IDC_EXAGGERATION = 2790 };

  explicit CToolWinDlgOffset(lib3d::View* view, wxWindow* parent = nullptr);

  wxSlider* GetSlider() const { return slider_; }
  // What a scroll notification of the slider does (also reached through the slider's events).
  void OnHScroll(wxScrollEvent& event);
  // Shows the exaggeration of the view's current Z scale ("×3.2"; "×—" without georeferencing).
  void ShowExaggeration();
  // Draws the relief `exaggeration` times its true height, as if typed into the field.
  void SetExaggeration(double exaggeration);
  wxTextCtrl* GetExaggerationField() const { return field_; }
  wxStaticText* GetExaggerationText() const { return shown_; }

protected:
  void InitPage() override;

private:
  void OnExaggerationEntered(wxCommandEvent& event);

  wxSlider* slider_ = nullptr;
  wxStaticText* shown_ = nullptr;
  wxTextCtrl* field_ = nullptr;
};
