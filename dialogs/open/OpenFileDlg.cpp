#include "dialogs/open/OpenFileDlg.h"
#include "terrain/RasterProblem.h"

#include <algorithm>
#include <cstdio>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/open/DataExchange.h"
#include "resources/open_ids.h"
#include "dialogs/open/OpenDlgLogic.h"
#include "terrain/Document.h"
#include "terrain/MemoryFit.h"
#include "hostlib/Controls.h"
#include "hostlib/FileLayer.h"
#include "hostlib/RenderOptions.h"
#include "hostlib/Resources.h"

using namespace lib3d::open;

namespace {

// The host library's open arguments and those of its pickers, passed through as they are.
constexpr unsigned long kOpenMode = 0x110;
constexpr unsigned long kOpenAccess = 0x80000000UL;
constexpr unsigned long kPickFlags = 0x4004;  // hide read-only, share-aware
constexpr int kFactorMin = static_cast<int>(lib3d::kFactorRange.lo);
constexpr int kFactorMax = static_cast<int>(lib3d::kFactorRange.hi);

wxString Res(int id) { return wxString::FromUTF8(GetResourceString(id).c_str()); }

CString ToUtf8(const wxString& s) { return CString(s.utf8_str().data()); }

bool Opens(const CString& path) {
  CFileLayer layer(nullptr);
  if (!layer.Open(path.c_str(), kOpenMode, 0, kOpenAccess)) return false;
  layer.Close();
  return true;
}

// "2" or "2: Slope" for each band of the open layer.
wxArrayString BandNames(const CFileLayer& layer) {
  wxArrayString names;
  for (int b = 1; b <= layer.BandCount(); ++b) {
    const std::string what = layer.BandDescription(b);
    names.Add(wxString::FromUTF8((std::to_string(b) + (what.empty() ? "" : ": " + what)).c_str()));
  }
  return names;
}

}  // namespace

COpenFileDlg::COpenFileDlg(wxWindow* parent) : parent_(parent) {
  iconRed_ = FindResourceBitmap(ids::kIconRed, 32);
  iconGreen_ = FindResourceBitmap(ids::kIconGreen, 32);
  iconBlue_ = FindResourceBitmap(ids::kIconBlue, 32);
  iconGrey_ = FindResourceBitmap(ids::kIconGrey, 32);
}

COpenFileDlg::~COpenFileDlg() = default;

int COpenFileDlg::DoModal() {
  if (!CreateDialog()) return wxID_CANCEL;
  return ShowModal() == wxID_OK ? wxID_OK : wxID_CANCEL;
}

bool COpenFileDlg::CreateDialog() {
  if (created_) return true;
  if (!wxDialog::Create(parent_, wxID_ANY, Res(ids::kStrCaption), wxDefaultPosition, wxDefaultSize,
                        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX))
    return false;
  created_ = true;
  UseCompactControls(this);
  // The template's layout is in dialog units of an 8-point sans-serif face; the units follow
  // from this font, so it must be set before any position is converted.
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(8);
  SetFont(font);
  auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
  auto size = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };
  SetClientSize(size(230, 272));

  new wxStaticBox(this, wxID_ANY, Res(ids::kStrReliefGroup), at(4, 4), size(222, 45));
  fileHolder_ = new wxStaticText(this, ids::kInFile, wxEmptyString, at(10, 14), size(210, 32));
  new wxStaticBox(this, wxID_ANY, Res(ids::kStrFactorGroup), at(4, 52), size(222, 44));
  new wxStaticText(this, wxID_ANY, Res(ids::kStrSizeX), at(10, 67), size(24, 12));
  new wxStaticText(this, wxID_ANY, Res(ids::kStrSizeY), at(72, 67), size(24, 12));
  editX_ = new wxTextCtrl(this, ids::kFactorX, wxEmptyString, at(34, 65), size(24, 12));
  editY_ = new wxTextCtrl(this, ids::kFactorY, wxEmptyString, at(96, 65), size(24, 12));
  keepBox_ = new wxCheckBox(this, ids::kKeepProportions, Res(ids::kStrKeepProportions), at(134, 65), size(90, 11));
  sizeLabel_ = new wxStaticText(this, ids::kSizeLabel, Res(ids::kStrNewSize), at(10, 82), size(210, 12),
                                wxST_NO_AUTORESIZE);
  new wxStaticBox(this, wxID_ANY, wxEmptyString, at(4, 100), size(222, 82));
  // GTK draws a label-less group box's top line along its top edge, and check boxes without a
  // background of their own. Each of the two boxes stands, at its full height centred on that line,
  // on a small panel of the dialog's background that hides the line, so that they stand in for the
  // box's title. (A background set on the check box itself also covers GTK's check mark: a checked
  // box then looked unchecked.)
  auto titleBox = [&](int id, int text, int x, int w) {
    auto* under = new wxPanel(this, wxID_ANY, at(x, 100), size(w, 8));
    auto* box = new wxCheckBox(under, id, Res(text));
    const wxSize best = box->GetBestSize();
    const int y = std::max(at(0, 96).y + 1, at(0, 100).y - best.y / 2);  // clear of the box above
    under->SetSize(under->GetPosition().x, y, std::max(under->GetSize().x, best.x), best.y);
    under->SetBackgroundColour(GetBackgroundColour());
    box->SetSize(best);
    return box;
  };
  textureBox_ = titleBox(ids::kTexture, ids::kStrTexture, 10, 66);
  rgbBox_ = titleBox(ids::kRgb, ids::kStrRgb, 94, 46);
  rgbBox_->Disable();

  // A button shows its icon alone; without one it keeps its "L".
  auto pick = [&](int id, int x, int y, const wxBitmap& icon) {
    return new wxButton(this, id, Res(ids::kStrPick), at(x, y), size(17, 16),
                        wxBU_EXACTFIT | (icon.IsOk() ? wxBU_NOTEXT : 0));
  };
  // The path fields only show what the "L" buttons picked: read-only, on the dialog's own
  // background, so that they do not invite typing that would be ignored.
  auto path = [&](int id, int x, int y) {
    auto* edit = new wxTextCtrl(this, id, wxEmptyString, at(x, y), size(188, 16), wxTE_READONLY);
    edit->SetBackgroundColour(GetBackgroundColour());
    return edit;
  };
  wxTextCtrl* single = path(ids::kSingleEdit, 10, 116);
  pickSingle_ = pick(ids::kSingleButton, 203, 116, iconGrey_);
  single->Disable();
  pickSingle_->Disable();
  wxWindow* rgbRows[] = {path(ids::kRedEdit, 10, 116),   pickRed_ = pick(ids::kRedButton, 203, 116, iconRed_),
                         path(ids::kGreenEdit, 10, 138), pickGreen_ = pick(ids::kGreenButton, 203, 138, iconGreen_),
                         path(ids::kBlueEdit, 10, 160),  pickBlue_ = pick(ids::kBlueButton, 203, 160, iconBlue_)};
  for (wxWindow* w : rgbRows) w->Hide();
  drapeNote_ = new wxStaticText(this, ids::kDrapeNote, wxEmptyString, at(10, 136), size(210, 40));
  // Check boxes and labels take their best sizes (the Russian ones are the longer); a field follows
  // its label on the same line, the label centred on it.
  new wxStaticBox(this, wxID_ANY, Res(ids::kStrReadingGroup), at(4, 186), size(222, 66));
  overviewsBox_ = new wxCheckBox(this, ids::kOverviews, Res(ids::kStrOverviews), at(10, 197));
  holesBox_ = new wxCheckBox(this, ids::kHoles, Res(ids::kStrHoles), at(10, 209));
  auto labelled = [&](int labelId, int text, int y) {
    auto* label = new wxStaticText(this, labelId, Res(text), at(10, y));
    label->Move(label->GetPosition().x, at(0, y).y + (at(0, 12).y - label->GetSize().y) / 2);
    return wxPoint(label->GetRect().GetRight() + at(4, 0).x, at(0, y).y);
  };
  // Each field takes what its label leaves of the line, the value's down to room for "-32768.5".
  const auto rest = [&](wxPoint from, int least) {
    return wxSize(std::max(at(220, 0).x - from.x, least), size(0, 12).y);
  };
  const wxPoint nodataAt = labelled(ids::kNodataLabel, ids::kStrNodataValue, 222);
  nodataEdit_ = new wxTextCtrl(this, ids::kNodataValue, wxEmptyString, nodataAt, rest(nodataAt, size(40, 0).x));
  const wxPoint bandAt = labelled(ids::kBandLabel, ids::kStrBand, 237);
  band_ = new wxChoice(this, ids::kBand, bandAt, rest(bandAt, 0));
  openButton_ = new wxButton(this, ids::kOpen, Res(ids::kStrOpen), at(138, 256), size(42, 12));
  new wxButton(this, ids::kCancel, Res(ids::kStrCancel), at(184, 256), size(42, 12));
  SetEscapeId(ids::kCancel);

  Bind(EVT_INFILE_CHOSEN, &COpenFileDlg::OnInFileChosen, this);
  editX_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnFactorChanged(true); });
  editY_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnFactorChanged(false); });
  editX_->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
    e.Skip();
    OnFactorCommitted(true);
  });
  editY_->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
    e.Skip();
    OnFactorCommitted(false);
  });
  keepBox_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { keepProportions = !keepProportions; });
  textureBox_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnTextureSwitch(); });
  rgbBox_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnRgbSwitch(); });
  for (int id : {ids::kSingleButton, ids::kRedButton, ids::kGreenButton, ids::kBlueButton})
    Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { OnPick(id); }, id);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, ids::kOpen);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); }, ids::kCancel);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { OnCancel(); });

  OnInitDialog();
  CentreOnParent();
  return true;
}

void COpenFileDlg::OnInitDialog() {
  openButton_->Disable();
  textureBox_->SetValue(false);
  rgbBox_->SetValue(false);
  keepBox_->SetValue(true);
  keepProportions = 1;
  // SetValue raises the text event; with no raster chosen yet it changes nothing.
  editX_->SetValue("1");
  editY_->SetValue("1");
  editFactorX = 1;
  editFactorY = 1;
  reliefOptions = lib3d::ReliefOptions();
  overviewsBox_->SetValue(reliefOptions.overviews);
  holesBox_->SetValue(reliefOptions.holes);
  nodataEdit_->ChangeValue(wxEmptyString);
  band_->Clear();
  FindWindow(ids::kBandLabel)->Hide();
  band_->Hide();
  // The 32-pixel icons are drawn smaller when the button's face is smaller, so that the whole
  // folder shows rather than its middle.
  auto icon = [](wxButton* b, const wxBitmap& bmp, int id) {
    if (!bmp.IsOk()) return;
    const wxSize face = b->GetSize();
    const int fit = std::max(12, std::min(face.x, face.y) - 6);
    wxBitmap drawn = fit < bmp.GetWidth() ? FindResourceBitmap(id, fit) : bmp;
    b->SetBitmap(drawn.IsOk() ? drawn : bmp);
  };
  icon(pickSingle_, iconGrey_, ids::kIconGrey);
  icon(pickRed_, iconRed_, ids::kIconRed);
  icon(pickGreen_, iconGreen_, ids::kIconGreen);
  icon(pickBlue_, iconBlue_, ids::kIconBlue);
  if (!fileCtrl_) {
    fileCtrl_ = new CInFileCtrl();
    if (!fileCtrl_->AttachToPlaceholder(fileHolder_) || !fileCtrl_->Create(1, nullptr, nullptr, 8, "\\Processing")) {
      delete fileCtrl_;
      fileCtrl_ = nullptr;
    }
  }
  if (fileCtrl_ && !reliefPath.empty()) fileCtrl_->SetPathName(reliefPath);
  FillSizeLabel();
}

bool COpenFileDlg::FillBands(const CString& path) {
  CFileLayer layer(nullptr);
  if (!layer.Open(path.c_str(), kOpenMode, 0, kOpenAccess)) return false;
  band_->Set(BandNames(layer));
  band_->SetSelection(0);
  const bool several = layer.BandCount() > 1;
  FindWindow(ids::kBandLabel)->Show(several);
  band_->Show(several);
  return true;
}

wxTextCtrl* COpenFileDlg::Edit(int id) const { return dynamic_cast<wxTextCtrl*>(FindWindow(id)); }

void COpenFileDlg::FillSizeLabel() {
  const int w = fileCtrl_ ? fileCtrl_->Width() : 0;
  const int h = fileCtrl_ ? fileCtrl_->Height() : 0;
  const std::string text = size_label(GetResourceString(ids::kStrWidth), GetResourceString(ids::kStrHeight), w, h,
                                      editFactorX, editFactorY);
  sizeLabel_->SetLabel(wxString::FromUTF8(text.c_str()));
}

void COpenFileDlg::FillDrapeNote() {
  wxString note;
  lib3d::ImageFacts image;
  lib3d::LoadError ignored;
  const lib3d::TextureFiles files{texturePath, texturePath, texturePath, 0};
  if (singleTexture && !texturePath.empty() && !reliefPath.empty() &&
      lib3d::drapes(files, lib3d::read_georef(reliefPath, 1, 1)) && lib3d::image_facts(texturePath, image, ignored)) {
    char metres[32];
    std::snprintf(metres, sizeof metres, "%.3g", std::min(image.pixel_x_m, image.pixel_y_m));
    note = wxString::Format(Res(ids::kStrDrapeNote), image.width, image.height, wxString::FromUTF8(metres));
  }
  drapeNote_->SetLabel(note);
  drapeNote_->Wrap(drapeNote_->GetSize().x);
  drapeNote_->Show(singleTexture && useTexture);
}

std::string COpenFileDlg::FileProblem(const std::string& path) {
  // What is wrong with the file itself (missing, a directory, unreadable, not a raster) says more
  // than the raster layer's last message.
  const std::string problem = path.empty() ? std::string() : lib3d::raster_problem(path);
  return problem.empty() ? RasterErrorMessage() : problem;
}

void COpenFileDlg::ShowFileError(wxWindow* parent, const std::string& cause) {
  wxMessageDialog box(parent, "The file is not correct!", "Error of file opening", wxOK | wxICON_EXCLAMATION);
  if (!cause.empty()) box.SetExtendedMessage(wxString::FromUTF8(cause.c_str()));
  box.ShowModal();
}

void COpenFileDlg::OnInFileChosen(wxCommandEvent& event) {
  if (!fileCtrl_ || event.GetEventObject() != fileCtrl_) return;
  // The host's picker reads the chosen raster itself and is not ready when that failed. A choice
  // it could not read is therefore a refused file too, and gets the same message and clearing as
  // one that the layer below refuses; an earlier accepted relief stays accepted either way.
  const CString path = fileCtrl_->GetPathName();
  if (!fileCtrl_->DataReady()) {
    if (path.empty()) return;
  } else if (FillBands(path)) {
    reliefPath = path;
    FillSizeLabel();
    FillDrapeNote();
    openButton_->Enable();
    return;
  }
  ShowFileError(this, FileProblem(path));
  fileCtrl_->ClearAll();
}

void COpenFileDlg::OnFactorChanged(bool xEdit) {
  if (!fileCtrl_ || !fileCtrl_->DataReady()) return;
  wxTextCtrl* edit = xEdit ? editX_ : editY_;
  const int whole = whole_factor(scan_factor(ToUtf8(edit->GetValue())));
  if (whole == 0) return;
  int& mine = xEdit ? editFactorX : editFactorY;
  int& other = xEdit ? editFactorY : editFactorX;
  if (keepProportions) other = whole;
  mine = whole;
  FillSizeLabel();
  // Rewrites the edits that differ, which comes back here once per rewritten edit and stops when
  // nothing differs any more.
  UpdateData(false);
  factorX = editFactorX;
  factorY = editFactorY;
}

void COpenFileDlg::OnFactorCommitted(bool xEdit) {
  // GTK takes the focus from an edit while the dialog is torn down as well.
  if (IsBeingDeleted()) return;
  wxTextCtrl* edit = xEdit ? editX_ : editY_;
  if (!fileCtrl_ || !fileCtrl_->DataReady()) {
    edit->SetValue("1");
    return;
  }
  if (scan_factor(ToUtf8(edit->GetValue())) != 0.0) {
    factorX = editFactorX;
    factorY = editFactorY;
    return;
  }
  (xEdit ? editFactorX : editFactorY) = 1;
  if (keepProportions) (xEdit ? editFactorY : editFactorX) = 1;
  UpdateData(false);
}

bool COpenFileDlg::UpdateData(bool save) {
  DataExchange dx(this, save);
  dx.Text(editX_, editFactorX);
  dx.MinMaxInt(editX_, editFactorX, kFactorMin, kFactorMax);
  dx.Check(keepBox_, keepProportions);
  dx.Text(editY_, editFactorY);
  dx.MinMaxInt(editY_, editFactorY, kFactorMin, kFactorMax);
  dx.OptionalNumber(nodataEdit_, reliefOptions.nodata_given, reliefOptions.nodata);
  if (dx.saving() && !dx.failed()) {
    reliefOptions.band = std::max(band_->GetSelection(), 0) + 1;
    reliefOptions.overviews = overviewsBox_->GetValue();
    reliefOptions.holes = holesBox_->GetValue();
  }
  return !dx.failed();
}

void COpenFileDlg::OnTextureSwitch() {
  useTexture = !useTexture;
  if (useTexture) {
    FindWindow(ids::kSingleEdit)->Enable();
    pickSingle_->Enable();
    rgbBox_->Enable();
    FillDrapeNote();
    return;
  }
  drapeNote_->Hide();
  FindWindow(ids::kSingleEdit)->Disable();
  pickSingle_->Disable();
  if (rgbBox_->GetValue()) {
    rgbBox_->SetValue(false);
    OnRgbSwitch();
  }
  rgbBox_->Disable();
}

void COpenFileDlg::OnRgbSwitch() {
  singleTexture = !singleTexture;
  const bool three = !singleTexture;
  FindWindow(ids::kSingleEdit)->Show(!three);
  pickSingle_->Show(!three);
  for (int id : {ids::kRedEdit, ids::kRedButton, ids::kGreenEdit, ids::kGreenButton, ids::kBlueEdit,
                 ids::kBlueButton})
    FindWindow(id)->Show(three);
  FillDrapeNote();
}

CString COpenFileDlg::PickTextureFile() {
  CInfoFileDialogEx dlg(1, nullptr, nullptr, kPickFlags, nullptr, this, 1, "\\Viewer", 0);
  if (dlg.DoModal() != wxID_OK) return CString();
  const CreateViewStruct* record = dlg.GetCreateViewStruct();
  if (!record) return CString();
  // Taken before the file is checked: a refused file still sets it.
  component = component_from_flags(record->flags);
  const CString path = dlg.GetPathName();
  if (Opens(path)) return path;
  ShowFileError(this, FileProblem(path));
  return CString();
}

void COpenFileDlg::OnPick(int buttonId) {
  CString* slot = nullptr;
  int editId = 0;
  switch (buttonId) {
    case ids::kSingleButton: slot = &texturePath, editId = ids::kSingleEdit; break;
    case ids::kRedButton: slot = &redPath, editId = ids::kRedEdit; break;
    case ids::kGreenButton: slot = &greenPath, editId = ids::kGreenEdit; break;
    case ids::kBlueButton: slot = &bluePath, editId = ids::kBlueEdit; break;
    default: return;
  }
  *slot = PickTextureFile();
  if (wxTextCtrl* edit = Edit(editId)) edit->ChangeValue(wxString::FromUTF8(slot->c_str()));
  FillDrapeNote();
}

void COpenFileDlg::EndWith(int code) {
  if (IsModal()) {
    EndModal(code);
  } else {
    SetReturnCode(code);
    Hide();
  }
}

void COpenFileDlg::OnOK() {
  if (!UpdateData(true)) return;
  // Refused here, while the factors can still be changed, rather than after the dialog has closed.
  if (fileCtrl_) {
    const lib3d::loading::MemoryFit fit =
        lib3d::loading::fit_in_memory(static_cast<std::uint64_t>(std::max(fileCtrl_->Width(), 0)),
                                      static_cast<std::uint64_t>(std::max(fileCtrl_->Height(), 0)),
                                      static_cast<std::size_t>(std::max(editFactorX, 1)),
                                      static_cast<std::size_t>(std::max(editFactorY, 1)),
                                      lib3d::loading::available_memory());
    if (!fit.fits) {
      wxMessageDialog box(this, wxString::FromUTF8(memory_message(fit).c_str()), Res(ids::kStrCaption),
                          wxOK | wxICON_EXCLAMATION);
      box.ShowModal();
      editX_->SetFocus();
      return;
    }
  }
  EndWith(wxID_OK);
}

void COpenFileDlg::OnCancel() { EndWith(wxID_CANCEL); }
