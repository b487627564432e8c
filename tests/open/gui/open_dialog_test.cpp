// The Open dialog driven through its controls: no modal loop runs; message boxes and the raster
// file dialog are answered through wx's modal test hook.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include "dialogs/open/OpenDlgIds.h"
#include "dialogs/open/OpenDlgLogic.h"
#include "dialogs/open/OpenFileDlg.h"
#include "hostlib/Controls.h"
#include "hostlib/FileLayer.h"
#include "hostlib/Resources.h"
#include "resources/ModuleResources.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/hostlib_ExpectInfoFileDialog.h"

namespace ids = lib3d::open::ids;

// Runs code that must not show any modal dialog (one would fail the test instead of blocking it).
#define NO_DIALOG(code)                                                  \
  {                                                                      \
    wxTestingModalHook wx_hook(__FILE__, __LINE__, __WXFUNCTION__);     \
    code;                                                                \
    wx_hook.CheckUnmetExpectations();                                    \
  }

namespace {

// A message box with exactly this text; answered with OK.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
  ExpectMessage(const wxString& message, const wxString& caption = wxString(), bool checkCaption = false)
      : message_(message), caption_(caption), checkCaption_(checkCaption) {}

protected:
  int OnInvoked(wxMessageDialog* dlg) const override {
    EXPECT_EQ(dlg->GetMessage().utf8_string(), message_.utf8_string());
    if (checkCaption_) {
      EXPECT_EQ(dlg->GetTitle().utf8_string(), caption_.utf8_string());
    }
    EXPECT_TRUE(dlg->GetMessageDialogStyle() & wxICON_EXCLAMATION);
    return wxID_OK;
  }

private:
  wxString message_, caption_;
  bool checkCaption_;
};

ExpectMessage FileError() { return ExpectMessage("The file is not correct!", "Error of file opening", true); }

class OpenDialog : public testing::Test {
protected:
  static void SetUpTestSuite() { lib3d::link_module_resources(); }

  void SetUp() override {
    SetResourceLanguage(ResourceLanguage::English);
    relief = dir.file("relief.tif");
    ASSERT_TRUE(r3dtest::WriteRaster(relief, 2000, 1500, GDT_Byte, [](int x, int y, double*) { return (x + y) % 7; }));
    other = dir.file("other.tif");
    ASSERT_TRUE(r3dtest::WriteRaster(other, 300, 200, GDT_Int16, [](int x, int y, double*) { return x - y; }));
    text = dir.file("notes.txt");
    ASSERT_TRUE(r3dtest::WriteTextFile(text, "no raster here\n"));
    dlg = new COpenFileDlg(nullptr);
    ASSERT_TRUE(dlg->CreateDialog());
  }

  void TearDown() override {
    if (dlg) dlg->Destroy();
    r3dtest::PumpEvents();
  }

  wxTextCtrl* edit(int id) { return dynamic_cast<wxTextCtrl*>(dlg->FindWindow(id)); }
  wxCheckBox* check(int id) { return dynamic_cast<wxCheckBox*>(dlg->FindWindow(id)); }
  wxWindow* win(int id) { return dlg->FindWindow(id); }
  std::string text_of(int id) { return edit(id)->GetValue().utf8_string(); }
  std::string label() { return dlg->FindWindow(ids::kSizeLabel)->GetLabel().utf8_string(); }

  // Typing: the edit's text changes and it raises its text event, as a keystroke does.
  void type(int id, const char* s) { NO_DIALOG(edit(id)->SetValue(s)); }
  void leave(int id) {
    wxFocusEvent e(wxEVT_KILL_FOCUS, id);
    e.SetEventObject(edit(id));
    NO_DIALOG(edit(id)->GetEventHandler()->ProcessEvent(e));
  }
  void click_check(int id) {
    wxCheckBox* box = check(id);
    box->SetValue(!box->GetValue());
    wxCommandEvent e(wxEVT_CHECKBOX, id);
    e.SetInt(box->GetValue());
    e.SetEventObject(box);
    box->GetEventHandler()->ProcessEvent(e);
  }
  void click(int id) {
    wxCommandEvent e(wxEVT_BUTTON, id);
    e.SetEventObject(win(id));
    win(id)->GetEventHandler()->ProcessEvent(e);
  }
  void accept_relief() {
    NO_DIALOG(dlg->file_control()->ChooseFile(relief));
    ASSERT_EQ(dlg->reliefPath, relief);
  }

  r3dtest::TempDir dir;
  std::string relief, other, text;
  COpenFileDlg* dlg = nullptr;
};

}  // namespace

TEST_F(OpenDialog, OpensWithTheTemplateState) {
  EXPECT_EQ(dlg->GetTitle(), "Open");
  EXPECT_FALSE(win(ids::kOpen)->IsEnabled());
  EXPECT_TRUE(win(ids::kCancel)->IsEnabled());
  EXPECT_EQ(text_of(ids::kFactorX), "1");
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_TRUE(check(ids::kKeepProportions)->GetValue());
  EXPECT_EQ(dlg->keepProportions, 1);
  EXPECT_FALSE(check(ids::kTexture)->GetValue());
  EXPECT_FALSE(check(ids::kRgb)->GetValue());
  EXPECT_FALSE(check(ids::kRgb)->IsEnabled());
  EXPECT_TRUE(win(ids::kSingleEdit)->IsShown());
  EXPECT_FALSE(win(ids::kSingleEdit)->IsEnabled());
  EXPECT_FALSE(win(ids::kSingleButton)->IsEnabled());
  for (int id : {ids::kRedEdit, ids::kRedButton, ids::kGreenEdit, ids::kGreenButton, ids::kBlueEdit, ids::kBlueButton})
    EXPECT_FALSE(win(id)->IsShown()) << id;
  EXPECT_EQ(label(), "Width: 0    Height: 0");
  EXPECT_EQ(dlg->singleTexture, 1);
  EXPECT_EQ(dlg->useTexture, 0);
  EXPECT_EQ(dlg->component, 0u);
  for (int id : {ids::kSingleButton, ids::kRedButton, ids::kGreenButton, ids::kBlueButton}) {
    auto* b = dynamic_cast<wxButton*>(win(id));
    // The icon replaces the "L" it would show without one.
    EXPECT_TRUE(b->GetBitmap().IsOk()) << id;
    EXPECT_EQ(b->GetLabel(), "") << id;
  }
  // Controls sit at their dialog-unit places: the Y edit right of the X edit on the same line,
  // the blue row two rows below the red one, Open left of Cancel at the bottom.
  const wxPoint px = win(ids::kFactorX)->GetPosition(), py = win(ids::kFactorY)->GetPosition();
  EXPECT_EQ(px, dlg->ConvertDialogToPixels(wxPoint(34, 65)));
  EXPECT_EQ(py, dlg->ConvertDialogToPixels(wxPoint(96, 65)));
  EXPECT_EQ(win(ids::kBlueEdit)->GetPosition(), dlg->ConvertDialogToPixels(wxPoint(10, 160)));
  EXPECT_EQ(win(ids::kOpen)->GetPosition(), dlg->ConvertDialogToPixels(wxPoint(138, 188)));
  EXPECT_EQ(dlg->GetClientSize(), dlg->ConvertDialogToPixels(wxSize(230, 204)));
}

TEST_F(OpenDialog, RussianTexts) {
  SetResourceLanguage(ResourceLanguage::Russian);
  auto* ru = new COpenFileDlg(nullptr);
  ASSERT_TRUE(ru->CreateDialog());
  EXPECT_EQ(ru->GetTitle().utf8_string(), "Открыть");
  EXPECT_EQ(ru->FindWindow(ids::kKeepProportions)->GetLabel().utf8_string(), "Сохранить пропорции");
  EXPECT_EQ(ru->FindWindow(ids::kCancel)->GetLabel().utf8_string(), "Отменить");
  NO_DIALOG(ru->file_control()->ChooseFile(relief));
  EXPECT_EQ(ru->FindWindow(ids::kSizeLabel)->GetLabel().utf8_string(), "Ширина: 2000    Высота: 1500");
  ru->Destroy();
}

TEST_F(OpenDialog, TypingBeforeAReliefChangesNothing) {
  type(ids::kFactorX, "5");
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_EQ(dlg->factorX, 1);
  EXPECT_EQ(dlg->editFactorX, 1);
  EXPECT_EQ(label(), "Width: 0    Height: 0");
  leave(ids::kFactorX);
  EXPECT_EQ(text_of(ids::kFactorX), "1");
  type(ids::kFactorY, "abc");
  leave(ids::kFactorY);
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_FALSE(win(ids::kOpen)->IsEnabled());
}

TEST_F(OpenDialog, TypedFactorsBecomeWholeAndFollowWithProportions) {
  accept_relief();
  EXPECT_TRUE(win(ids::kOpen)->IsEnabled());
  EXPECT_EQ(label(), "Width: 2000    Height: 1500");
  type(ids::kFactorX, "2.7");
  EXPECT_EQ(text_of(ids::kFactorX), "2");
  EXPECT_EQ(text_of(ids::kFactorY), "2");
  EXPECT_EQ(label(), "Width: 1000    Height: 750");
  EXPECT_EQ(dlg->factorX, 2);
  EXPECT_EQ(dlg->factorY, 2);
  type(ids::kFactorY, "-3");
  EXPECT_EQ(text_of(ids::kFactorX), "3");
  EXPECT_EQ(text_of(ids::kFactorY), "3");
  EXPECT_EQ(label(), "Width: 666    Height: 500");
  EXPECT_EQ(dlg->factorX, 3);
  EXPECT_EQ(dlg->factorY, 3);
  leave(ids::kFactorY);
  EXPECT_EQ(dlg->factorY, 3);
}

TEST_F(OpenDialog, FactorsAreIndependentWithoutProportions) {
  accept_relief();
  click_check(ids::kKeepProportions);
  EXPECT_EQ(dlg->keepProportions, 0);
  type(ids::kFactorX, "4");
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_EQ(label(), "Width: 500    Height: 1500");
  type(ids::kFactorY, "3");
  EXPECT_EQ(text_of(ids::kFactorX), "4");
  EXPECT_EQ(label(), "Width: 500    Height: 500");
  EXPECT_EQ(dlg->factorX, 4);
  EXPECT_EQ(dlg->factorY, 3);
  NO_DIALOG(click(ids::kOpen));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
  EXPECT_EQ(dlg->factorX, 4);
  EXPECT_EQ(dlg->factorY, 3);
  EXPECT_EQ(dlg->reliefPath, relief);
  EXPECT_EQ(dlg->useTexture, 0);
}

TEST_F(OpenDialog, ZeroEmptyOrGarbageWaitsForLeavingThenResetsToOne) {
  accept_relief();
  type(ids::kFactorX, "5");
  ASSERT_EQ(text_of(ids::kFactorY), "5");
  for (const char* t : {"0", "", "x7", "nan"}) {
    SCOPED_TRACE(t);
    type(ids::kFactorX, t);
    EXPECT_EQ(text_of(ids::kFactorX), t);
    EXPECT_EQ(text_of(ids::kFactorY), "5");
    EXPECT_EQ(dlg->factorX, 5);
    EXPECT_EQ(label(), "Width: 400    Height: 300");
  }
  leave(ids::kFactorX);
  EXPECT_EQ(text_of(ids::kFactorX), "1");
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_EQ(dlg->factorX, 1);
  EXPECT_EQ(dlg->factorY, 1);
  EXPECT_EQ(label(), "Width: 2000    Height: 1500");

  // Without proportions only the edit left is reset.
  click_check(ids::kKeepProportions);
  type(ids::kFactorY, "6");
  type(ids::kFactorY, "0");
  leave(ids::kFactorY);
  EXPECT_EQ(text_of(ids::kFactorY), "1");
  EXPECT_EQ(text_of(ids::kFactorX), "1");
  EXPECT_EQ(dlg->factorY, 1);
}

TEST_F(OpenDialog, FractionBelowOneStopsOpenWithTheIntegerMessage) {
  accept_relief();
  type(ids::kFactorX, "0.5");
  leave(ids::kFactorX);
  EXPECT_EQ(text_of(ids::kFactorX), "0.5");
  dlg->SetReturnCode(0);
  wxTEST_DIALOG(click(ids::kOpen), ExpectMessage("Please enter an integer."));
  EXPECT_EQ(dlg->GetReturnCode(), 0);
  // Fixed, it opens.
  type(ids::kFactorX, "7");
  NO_DIALOG(click(ids::kOpen));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
  EXPECT_EQ(dlg->factorX, 7);
  EXPECT_EQ(dlg->factorY, 7);
}

TEST_F(OpenDialog, FactorAboveTheRangeShowsButStopsOpen) {
  accept_relief();
  type(ids::kFactorX, "1500");
  EXPECT_EQ(label(), "Width: 1    Height: 1");
  dlg->SetReturnCode(0);
  wxTEST_DIALOG(click(ids::kOpen), ExpectMessage("Please enter an integer between 1 and 1000."));
  EXPECT_EQ(dlg->GetReturnCode(), 0);
  // Too large for an int while typing: clamped, shown, refused.
  type(ids::kFactorY, "1e20");
  EXPECT_EQ(text_of(ids::kFactorY), "2147483647");
  EXPECT_EQ(text_of(ids::kFactorX), "2147483647");
  EXPECT_EQ(label(), "Width: 0    Height: 0");
  wxTEST_DIALOG(click(ids::kOpen), ExpectMessage("Please enter an integer between 1 and 1000."));
  EXPECT_EQ(dlg->GetReturnCode(), 0);
  // The Y edit is checked after X: only Y wrong gives one message as well.
  click_check(ids::kKeepProportions);
  type(ids::kFactorX, "10");
  type(ids::kFactorY, "1001");
  wxTEST_DIALOG(click(ids::kOpen), ExpectMessage("Please enter an integer between 1 and 1000."));
  EXPECT_EQ(dlg->GetReturnCode(), 0);
}

// A relief whose grid would not fit in memory stops Open with the factors that would fit, in the
// interface's language; smaller factors then open.
TEST_F(OpenDialog, ReliefTooLargeForMemoryStopsOpen) {
  const std::string huge = dir.file("huge.vrt");
  ASSERT_TRUE(r3dtest::WriteTextFile(huge, "<VRTDataset rasterXSize=\"100000\" rasterYSize=\"100000\">"
                                           "<VRTRasterBand dataType=\"Float32\" band=\"1\"/></VRTDataset>\n"));
  NO_DIALOG(dlg->file_control()->ChooseFile(huge));
  type(ids::kFactorX, "4");
  const lib3d::loading::MemoryFit fit =
      lib3d::loading::fit_in_memory(100000, 100000, 4, 4, lib3d::loading::available_memory());
  ASSERT_FALSE(fit.fits);
  std::string english;
  for (auto language : {ResourceLanguage::English, ResourceLanguage::Russian}) {
    SetResourceLanguage(language);
    const std::string message = lib3d::open::memory_message(fit);
    EXPECT_NE(message.find(std::to_string(fit.factorX) + " "), std::string::npos) << message;
    EXPECT_NE(message, english);
    english = message;
    dlg->SetReturnCode(0);
    wxTEST_DIALOG(click(ids::kOpen), ExpectMessage(wxString::FromUTF8(message)));
    EXPECT_EQ(dlg->GetReturnCode(), 0);
  }
  type(ids::kFactorX, std::to_string(fit.factorX).c_str());
  NO_DIALOG(click(ids::kOpen));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
}

TEST_F(OpenDialog, RefusedSecondPickKeepsTheFirstRelief) {
  accept_relief();
  type(ids::kFactorX, "4");
  wxTEST_DIALOG(dlg->file_control()->ChooseFile(text), FileError());
  EXPECT_EQ(dlg->reliefPath, relief);
  EXPECT_TRUE(win(ids::kOpen)->IsEnabled());
  EXPECT_TRUE(dlg->file_control()->GetPathName().empty());
  EXPECT_FALSE(dlg->file_control()->DataReady());
  // A notification from some other window is not a choice.
  wxCommandEvent stray(EVT_INFILE_CHOSEN, 1);
  stray.SetEventObject(win(ids::kFactorX));
  NO_DIALOG(dlg->GetEventHandler()->ProcessEvent(stray));
  EXPECT_EQ(dlg->reliefPath, relief);
  // A second good file replaces the first.
  NO_DIALOG(dlg->file_control()->ChooseFile(other));
  EXPECT_EQ(dlg->reliefPath, other);
  EXPECT_EQ(label(), "Width: 75    Height: 50");
}

TEST_F(OpenDialog, TextureAndRgbSwitches) {
  click_check(ids::kTexture);
  EXPECT_EQ(dlg->useTexture, 1);
  EXPECT_TRUE(win(ids::kSingleEdit)->IsEnabled());
  EXPECT_TRUE(win(ids::kSingleButton)->IsEnabled());
  EXPECT_TRUE(check(ids::kRgb)->IsEnabled());
  click_check(ids::kRgb);
  EXPECT_EQ(dlg->singleTexture, 0);
  EXPECT_FALSE(win(ids::kSingleEdit)->IsShown());
  EXPECT_FALSE(win(ids::kSingleButton)->IsShown());
  for (int id : {ids::kRedEdit, ids::kRedButton, ids::kGreenEdit, ids::kGreenButton, ids::kBlueEdit, ids::kBlueButton}) {
    EXPECT_TRUE(win(id)->IsShown()) << id;
    EXPECT_TRUE(win(id)->IsEnabled()) << id;
  }
  // Texture off while RGB is on: RGB goes off too and the single row returns, disabled.
  click_check(ids::kTexture);
  EXPECT_EQ(dlg->useTexture, 0);
  EXPECT_EQ(dlg->singleTexture, 1);
  EXPECT_FALSE(check(ids::kRgb)->GetValue());
  EXPECT_FALSE(check(ids::kRgb)->IsEnabled());
  EXPECT_TRUE(win(ids::kSingleEdit)->IsShown());
  EXPECT_FALSE(win(ids::kSingleEdit)->IsEnabled());
  EXPECT_FALSE(win(ids::kSingleButton)->IsEnabled());
  for (int id : {ids::kRedEdit, ids::kRedButton, ids::kGreenEdit, ids::kGreenButton, ids::kBlueEdit, ids::kBlueButton})
    EXPECT_FALSE(win(id)->IsShown()) << id;
  // Back on, RGB stays off.
  click_check(ids::kTexture);
  EXPECT_EQ(dlg->singleTexture, 1);
  EXPECT_FALSE(check(ids::kRgb)->GetValue());
}

TEST_F(OpenDialog, SingleTexturePickIsWhatTheFrameReads) {
  accept_relief();
  click_check(ids::kTexture);
  wxTEST_DIALOG(click(ids::kSingleButton), wxExpectModal<CInfoFileDialogEx>([&](CInfoFileDialogEx* d) {
                  d->SetPathName(other);
                  return wxID_OK;
                }));
  EXPECT_EQ(dlg->texturePath, other);
  EXPECT_EQ(text_of(ids::kSingleEdit), other);
  EXPECT_EQ(dlg->component, 0u);
  NO_DIALOG(click(ids::kOpen));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
  EXPECT_EQ(dlg->useTexture, 1);
  EXPECT_EQ(dlg->singleTexture, 1);
  EXPECT_EQ(dlg->texturePath, other);
  EXPECT_TRUE(dlg->redPath.empty());
}

TEST_F(OpenDialog, RgbPicksFillTheirSlotsAndRefusalsEmptyThem) {
  const std::string cplx = dir.file("complex.tif");
  ASSERT_TRUE(r3dtest::WriteRaster(cplx, 300, 200, GDT_CFloat32, [](int x, int, double* im) {
    *im = x;
    return 1.0;
  }));
  click_check(ids::kTexture);
  click_check(ids::kRgb);
  auto choose = [&](const std::string& path, int comp) {
    return wxExpectModal<CInfoFileDialogEx>([path, comp](CInfoFileDialogEx* d) {
      d->SetPathName(path);
      d->SetComponent(comp);
      return wxID_OK;
    });
  };
  wxTEST_DIALOG(click(ids::kRedButton), choose(other, 0));
  wxTEST_DIALOG(click(ids::kGreenButton), choose(cplx, COMPONENT_AMPLITUDE));
  EXPECT_EQ(dlg->component, 2u);
  wxTEST_DIALOG(click(ids::kBlueButton), choose(cplx, COMPONENT_PHASE));
  EXPECT_EQ(dlg->component, 3u);
  EXPECT_EQ(dlg->redPath, other);
  EXPECT_EQ(dlg->greenPath, cplx);
  EXPECT_EQ(dlg->bluePath, cplx);
  EXPECT_EQ(text_of(ids::kGreenEdit), cplx);
  EXPECT_TRUE(dlg->texturePath.empty());

  // A refused file empties the slot, with the message, and still sets the component (a text file
  // has none: 0); a cancelled pick empties the slot silently and leaves the component.
  wxTEST_DIALOG(click(ids::kRedButton), choose(text, 0), FileError());
  EXPECT_TRUE(dlg->redPath.empty());
  EXPECT_EQ(dlg->component, 0u);
  wxTEST_DIALOG(click(ids::kBlueButton), choose(cplx, COMPONENT_IMAGINARY));
  EXPECT_EQ(dlg->component, 1u);
  EXPECT_EQ(text_of(ids::kRedEdit), "");
  wxTEST_DIALOG(click(ids::kGreenButton), wxExpectModal<CInfoFileDialogEx>(wxID_CANCEL));
  EXPECT_TRUE(dlg->greenPath.empty());
  EXPECT_EQ(text_of(ids::kGreenEdit), "");
  EXPECT_EQ(dlg->component, 1u);
  EXPECT_EQ(dlg->bluePath, cplx);
}

TEST_F(OpenDialog, CancelEndsWithCancel) {
  accept_relief();
  NO_DIALOG(click(ids::kCancel));
  EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
  // The close box too; the dialog object stays usable until its owner destroys it.
  dlg->SetReturnCode(0);
  NO_DIALOG(dlg->Close());
  EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
  EXPECT_FALSE(dlg->IsBeingDeleted());
}

TEST(OpenIcons, FolderSheetsHaveTheirColours) {
  lib3d::link_module_resources();
  struct Case {
    int id;
    int channel;  // 0 red, 1 green, 2 blue, -1 grey
  };
  for (Case c : {Case{ids::kIconRed, 0}, Case{ids::kIconGreen, 1}, Case{ids::kIconBlue, 2}, Case{ids::kIconGrey, -1}}) {
    SCOPED_TRACE(c.id);
    wxBitmap bmp = FindResourceBitmap(c.id, 32);
    ASSERT_TRUE(bmp.IsOk());
    ASSERT_EQ(bmp.GetWidth(), 32);
    wxImage img = bmp.ConvertToImage();
    // A point of the sheet above the folder's front and between its lines of writing.
    const int rgb[3] = {img.GetRed(16, 8), img.GetGreen(16, 8), img.GetBlue(16, 8)};
    if (c.channel < 0) {
      EXPECT_EQ(rgb[0], rgb[1]);
      EXPECT_EQ(rgb[1], rgb[2]);
      EXPECT_GT(rgb[0], 60);
    } else {
      for (int k = 0; k < 3; ++k)
        if (k != c.channel) {
          EXPECT_GT(rgb[c.channel], rgb[k] + 80);
        }
    }
    // Corners are transparent.
    ASSERT_TRUE(img.HasAlpha());
    EXPECT_EQ(img.GetAlpha(0, 31), 0);
    EXPECT_EQ(img.GetAlpha(31, 0), 0);
    EXPECT_EQ(img.GetAlpha(16, 8), 255);
  }
  EXPECT_FALSE(FindResourceBitmap(ids::kIconRed, 0).IsOk());
}
