// Picture of the palette editor beside a recoloured relief, for a look by eye. Not run by default:
//   xvfb-run -a -s "-screen 0 1600x1200x24" test_palette_gui --gtest_also_run_disabled_tests \
//     --gtest_filter=*Screenshot*     (writes palette_dialog.png into the working directory)
#include <gtest/gtest.h>

#include <cstdlib>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include "dialogs/palette/PaletteExDlg.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "view/View.h"

TEST(PaletteScreenshot, DISABLED_BlueToRedWithMovedOutputMarkers) {
  lib3d::link_module_resources();
  int w = 0, h = 0;
  const std::vector<double> heights =
      r3dtest::ReadWholeRaster(std::string(R3D_SOURCE_DIR) + "/data/jacksboro_fault_dem.tif", &w, &h);
  ASSERT_FALSE(heights.empty());
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "relief", wxPoint(0, 0), wxSize(640, 480));
  lib3d::View* view = new lib3d::View;
  view->Create(frame);
  r3dtest::ShowAndWait(frame);
  view->set_palette(std::vector<std::uint32_t>(256, 0xFFFFFF));
  view->set_matrix(std::vector<float>(heights.begin(), heights.end()), w, h);

  C3DPaletteExDlg* dlg = new C3DPaletteExDlg(frame, view);
  ASSERT_TRUE(dlg->Create());
  dlg->Move(660, 0);
  dlg->Show();
  r3dtest::WaitFor([&] { return dlg->IsShownOnScreen(); });
  r3dtest::PumpEvents(300);
  dlg->kind_combo()->SetSelection(1);
  wxCommandEvent e;
  dlg->OnUpdate(e);
  dlg->marker_edit(2)->SetValue("40");
  dlg->marker_edit(3)->SetValue("215");
  r3dtest::PumpEvents(500);
  view->Refresh();
  view->Update();
  r3dtest::PumpEvents(500);
  const std::string cmd = "import -window root -crop 1480x520+0+0 palette_dialog.png";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  dlg->Hide();
  frame->Destroy();
  r3dtest::PumpEvents();
}
