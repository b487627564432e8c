#pragma once
// CToolWinDlgBcGr: the Background page. Holds one colour, shows it in a swatch, changes it in the
// colour chooser and hands it to the view only on Apply.
#include <cstdint>

#include "dialogs/tools/ToolHelpers.h"
#include "dialogs/tools/ToolPage.h"

class CToolWinDlgBcGr : public CToolPage {
public:
  enum { IDD = 2784, IDC_SWATCH = 2780, IDC_APPLY = 2781, IDC_CLOSE = 2782, IDC_CHOOSE = 2783, IDC_HELP = 2785 };

  explicit CToolWinDlgBcGr(lib3d::View* view, wxWindow* parent = nullptr);

  std::uint32_t GetColor() const { return color; }  // 0x00BBGGRR
  const std::uint32_t* GetCustomColors() const { return customColors; }
  wxWindow* GetSwatch() const { return swatch; }
  // The custom-colour slot the next opening of the chooser fills; shared by every page object.
  static int GetNextCustomColor() { return nextCustomColor; }

  void OnChooseColor(wxCommandEvent& event);
  // What the page takes from the chooser when it ends with `result`: the custom colours always
  // (they are lent to it), the colour only on OK, with the swatch painted again.
  void TakeChooserResult(const class wxColourData& data, int result);
  void OnApply(wxCommandEvent& event);

protected:
  void InitPage() override;

private:
  void PaintSwatch();

  std::uint32_t color = 0x7F7F7F;
  std::uint32_t customColors[tools::kCustomColorCount];
  wxWindow* swatch = nullptr;
  static int nextCustomColor;
};
