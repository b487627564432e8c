// The window's picture out of the window: saved to a file as --snapshot draws it, or copied as the
// command line that draws it.
#include <algorithm>
#include <cstdio>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "colour/PaletteFile.h"
#include "export/PictureFile.h"
#include "frame/Frame.h"
#include "frame/ViewCommand.h"
#include "hostlib/RenderOptions.h"
#include "hostlib/Resources.h"
#include "render/OffscreenRender.h"
#include "view/View.h"

namespace lib3d {
namespace {

wxString text(int id) { return wxString::FromUTF8(GetResourceString(id)); }

struct Cancelled {};

// The file, width and height of a picture: a path with a Browse button, two sizes that keep the
// view's proportions unless told not to.
class PictureDialog : public wxDialog {
public:
  PictureDialog(wxWindow* parent, const wxSize& view, const wxString& path)
      : wxDialog(parent, wxID_ANY, text(IDS_PICTURE_TITLE)), view_(view) {
    auto* grid = new wxFlexGridSizer(3, wxSize(6, 6));
    path_ = new wxTextCtrl(this, wxID_ANY, path, wxDefaultPosition, wxSize(320, -1));
    auto* browse = new wxButton(this, wxID_ANY, text(IDS_PICTURE_BROWSE));
    const int most = static_cast<int>(kPixelRange.hi);
    width_ = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1, most, view.x);
    height_ = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1, most, view.y);
    keep_ = new wxCheckBox(this, wxID_ANY, text(IDS_PICTURE_KEEP));
    keep_->SetValue(true);
    for (wxWindow* w : std::initializer_list<wxWindow*>{new wxStaticText(this, wxID_ANY, text(IDS_PICTURE_FILE)), path_, browse,
                                                         new wxStaticText(this, wxID_ANY, text(IDS_PICTURE_WIDTH)), width_,
                                                         keep_, new wxStaticText(this, wxID_ANY, text(IDS_PICTURE_HEIGHT)),
                                                         height_})
      grid->Add(w, 0, wxALIGN_CENTER_VERTICAL);
    auto* all = new wxBoxSizer(wxVERTICAL);
    all->Add(grid, 0, wxALL, 10);
    all->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(all);
    browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      wxFileDialog pick(this, text(IDS_PICTURE_TITLE), wxEmptyString, path_->GetValue(),
                        "PNG (*.png)|*.png|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|TIFF (*.tif;*.tiff)|*.tif;*.tiff",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
      if (pick.ShowModal() == wxID_OK) path_->SetValue(pick.GetPath());
    });
    width_->Bind(wxEVT_SPINCTRL, [this](wxCommandEvent&) { follow(width_, height_, view_.y, view_.x); });
    height_->Bind(wxEVT_SPINCTRL, [this](wxCommandEvent&) { follow(height_, width_, view_.x, view_.y); });
  }
  std::string path() const { return path_->GetValue().utf8_string(); }
  wxSize size() const { return wxSize(width_->GetValue(), height_->GetValue()); }

private:
  // With the proportions kept, the other size follows: other = changed * num / den, rounded.
  void follow(wxSpinCtrl* changed, wxSpinCtrl* other, int num, int den) {
    if (keep_->GetValue() && den > 0)
      other->SetValue(std::clamp(static_cast<int>((static_cast<long long>(changed->GetValue()) * num + den / 2) / den), 1,
                                 static_cast<int>(kPixelRange.hi)));
  }
  wxSize view_;
  wxTextCtrl* path_;
  wxSpinCtrl *width_, *height_;
  wxCheckBox* keep_;
};

}  // namespace

bool Frame::save_picture(const std::string& path, int width, int height, std::string& error,
                         const Renderer::Progress& progress) {
  if (!view_) return false;
  bool bad_name = false;
  PictureFile file;
  if (!file.open(path, error, bad_name)) return false;
  Picture picture;
  if (!render_offscreen(view_->picture_scene(), width, height, picture, error, progress)) return false;
  return file.commit(picture, error);
}

ViewState Frame::view_state() {
  ViewState s = loaded_;
  if (!view_) return s;
  view_->get_rotation(s.tilt, s.azimuth);
  view_->get_pan(s.pan_x, s.pan_y);
  s.zoom_level = view_->zoom_level();
  s.scale_z = view_->scale_z();
  const LightSettings& l = view_->light_record();
  s.light_azimuth = l.words[LightSettings::kAzimuth], s.light_elevation = l.words[LightSettings::kElevation];
  s.ambient = l.words[LightSettings::kAmbient], s.diffuse = l.words[LightSettings::kDiffuse];
  s.specular = l.words[LightSettings::kSpecular];
  s.background = view_->bg_color();
  const wxSize px = view_->GetClientSize() * view_->GetContentScaleFactor();
  s.width = px.x, s.height = px.y;
  return s;
}

std::string Frame::view_command(const std::string& picture, std::string& error) {
  ViewState s = view_state();
  s.picture = picture;
  // The palette by name when it is a base palette (or the white one), otherwise written beside the
  // picture.
  const std::vector<std::uint32_t> shown = view_ ? view_->get_palette() : std::vector<std::uint32_t>();
  if (shown != palette::view_palette(nullptr, -1)) {
    for (int k = 0; k < kBasePaletteCount && s.base_palette < 0; ++k)
      if (shown == palette::view_palette(nullptr, k)) s.base_palette = k;
    if (s.base_palette < 0 && shown.size() == 256) {
      palette::PaletteFileData data;
      std::copy(shown.begin(), shown.end(), data.palette.begin());
      const std::size_t dot = picture.rfind('.'), slash = picture.rfind('/');
      s.palette_file = (dot != std::string::npos && (slash == std::string::npos || dot > slash) ? picture.substr(0, dot) : picture) + ".pal";
      if (!palette::save_palette_file(s.palette_file, data)) {
        error = "cannot write " + s.palette_file;
        return std::string();
      }
    }
  }
  return lib3d::view_command(s);
}

void Frame::OnSavePicture() {
  if (!view_) return;
  const wxSize px = view_->GetClientSize() * view_->GetContentScaleFactor();
  PictureDialog dialog(this, px, wxString::FromUTF8(lastPicture_));
  if (dialog.ShowModal() != wxID_OK) return;
  lastPicture_ = dialog.path();
  const wxSize size = dialog.size();
  std::string error;
  bool ok = false;
  try {
    // Big pictures show their progress and may be cancelled; the file is then not written at all.
    std::unique_ptr<wxProgressDialog> shown;
    if (static_cast<long long>(size.x) * size.y > 4'000'000LL)
      shown.reset(new wxProgressDialog(text(IDS_PICTURE_TITLE), text(IDS_PICTURE_DRAWING), 1000, this,
                                       wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE));
    ok = save_picture(lastPicture_, size.x, size.y, error, [&](std::size_t done, std::size_t total) {
      if (shown && total > 0 && !shown->Update(static_cast<int>(done * 999 / total))) throw Cancelled();
    });
  } catch (const Cancelled&) {
    return;
  }
  if (!ok) wxMessageBox(wxString::FromUTF8(error), text(IDS_PICTURE_FAILED), wxOK | wxICON_EXCLAMATION, this);
}

void Frame::OnCopyCommand() {
  std::string error;
  // Absolute, so that the command (and the palette file it may name) works from any folder.
  const std::string picture = lastPicture_.empty() ? (wxGetHomeDir() + "/relief3d-view.png").utf8_string() : lastPicture_;
  const std::string command = view_command(picture, error);
  if (command.empty()) {
    wxMessageBox(wxString::FromUTF8(error), text(IDS_PICTURE_FAILED), wxOK | wxICON_EXCLAMATION, this);
    return;
  }
  if (wxTheClipboard->Open()) {
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(command)));
    wxTheClipboard->Close();
    show_note(text(IDS_COMMAND_COPIED));
  }
}

}  // namespace lib3d
