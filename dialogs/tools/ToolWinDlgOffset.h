#pragma once
// CToolWinDlgOffset: the Scale page; one slider stretches the relief along Z while it moves.
#include <wx/slider.h>

#include "dialogs/tools/ToolPage.h"

class CToolWinDlgOffset : public CToolPage {
public:
  enum { IDD = 2772, IDC_SLIDER = 2775, IDC_APPLY = 2776, IDC_CLOSE = 2777, IDC_HELP = 2779 };

  explicit CToolWinDlgOffset(lib3d::View* view, wxWindow* parent = nullptr);

  wxSlider* GetSlider() const { return slider_; }
  // What a scroll notification of the slider does (also reached through the slider's events).
  void OnHScroll(wxScrollEvent& event);

protected:
  void InitPage() override;

private:
  wxSlider* slider_ = nullptr;
};
