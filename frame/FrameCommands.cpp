// Commands of the viewer frame, the loading entry points and the cursor readout.
#include <cstdint>
#include <string>

#include <wx/aui/auibar.h>

#include "dialogs/open/OpenFileDlg.h"
#include "dialogs/palette/PaletteExDlg.h"
#include "dialogs/tools/ToolWinDlg.h"
#include "dialogs/tools/ToolWinDlgOffset.h"
#include "dialogs/tools/ToolWinDlgSun.h"
#include "frame/Frame.h"
#include "frame/LoadProgress.h"
#include "terrain/Document.h"
#include "hostlib/HtmlHelp.h"
#include "hostlib/Resources.h"
#include "view/View.h"

namespace lib3d {
namespace {

// The Open dialog keeps factors and component as signed ints; they are widened with their sign, so
// a negative value becomes a huge factor (zero cells) rather than wrapping to something plausible.
std::size_t widen(long long value) { return static_cast<std::size_t>(static_cast<std::int64_t>(value)); }

}  // namespace

void Frame::on_command(wxCommandEvent& event) {
  switch (event.GetId()) {
    case ID_FILE_OPEN_3D: OnFileOpen(); break;
    case ID_ZOOM_IN_3D: OnButtonPlus(); break;
    case ID_ZOOM_OUT_3D: OnButtonMinus(); break;
    case ID_POINTER_3D: OnButtonCursor(); break;
    case ID_HELP_3D: OnButtonHelp(); break;
    case ID_PALETTE_3D: OnButtonHist(); break;
    case ID_TOOLS_3D: OnButtonTools(); break;
    default: event.Skip(); return;
  }
  // A check tool flips its own state when clicked; the style words decide what it shows.
  repaint_toolbar();
}

void Frame::set_matrix(std::vector<float>& heights, std::size_t width, std::size_t height) {
  hand_matrix(std::vector<float>(heights), width, height, Georef(), false);  // the caller keeps its own
}

void Frame::hand_matrix(std::vector<float>&& heights, std::size_t width, std::size_t height, const Georef& geo,
                        bool holes) {
  ToolBarPressButton(ID_POINTER_3D, 0);  // manipulator and cursor stay as they are
  show_progress_3D(true);
  if (!view_) return;
  show_note(wxString());
  view_->set_relief(std::move(heights), width, height, geo, holes);
  set_status_text(zoom_scale_text(view_->zoom_scale()));
  if (toolWin_ && toolWin_->GetOffsetPage()) toolWin_->GetOffsetPage()->ShowExaggeration();
}

// Share of the gauge given to reading a relief; the surface compile takes the rest.
constexpr double kReliefReadShare = 0.5;

bool Frame::set_matrix(const CString& path, std::size_t factorX, std::size_t factorY) {
  begin_progress();
  LoadProgress progress([this](int value) { show_progress(value); }, kReliefReadShare);
  Document doc;
  const bool ok = load_relief(path, factorX, factorY, reliefOptions_, doc, loadError_,
                              [&](std::size_t done, std::size_t total) { progress.read(done, total); });
  if (ok) {
    if (view_) view_->set_compile_progress([&](std::size_t done, std::size_t total) { progress.compile(done, total); });
    // The grid moves into the view: no second copy.
    hand_matrix(std::move(doc.heights), doc.width, doc.height, doc.geo, doc.holes);
    // A value that looks like a void but is not declared one is worth a word.
    if (doc.band_count > 1)
      show_note(wxString::Format(wxString::FromUTF8(GetResourceString(IDS_READOUT_BAND)), doc.band, doc.band_count));
    if (doc.geo.rotation_dropped) show_note(wxString::FromUTF8(GetResourceString(IDS_READOUT_TURNED)));
    if (doc.hole_count > 0)
      show_note(wxString::Format(wxString::FromUTF8(GetResourceString(IDS_READOUT_HOLES)), doc.hole_count));
    if (doc.suspect_count > 0)
      show_note(wxString::Format(wxString::FromUTF8(GetResourceString(IDS_READOUT_VOID_NOTE)), doc.suspect_count,
                                 doc.suspect));
    if (view_) view_->set_compile_progress({});
    readout_ = ReadoutSettings{0, 0, 1};
    loaded_ = ViewState();
    loaded_.relief = path, loaded_.factor_x = factorX, loaded_.factor_y = factorY, loaded_.options = reliefOptions_;
  }
  end_progress();
  return ok;
}

void Frame::set_color_matrix(std::vector<std::uint32_t>& colors) {
  if (view_) view_->set_color_matrix(colors);
}

bool Frame::set_color_matrix(const CString& red, const CString& green, const CString& blue,
                             std::size_t factorX, std::size_t factorY, std::size_t component) {
  begin_progress();
  // The view compiles a texture at its next paint, after this returns: the read is all there is.
  LoadProgress progress([this](int value) { show_progress(value); }, 1.0);
  std::vector<std::uint32_t> colors;
  const TextureFiles files{red, green, blue, component};
  bool ok = false;
  if (view_ && drapes(files, view_->georef())) {
    // Both are on the map: the image is laid over the ground at its own resolution.
    Drape drape;
    ok = read_drape(files, view_->georef(), view_->get_width(), view_->get_height(), reliefOptions_.drape, drape,
                    loadError_);
    if (ok) view_->set_drape(std::move(drape));
  } else {
    // The view colours cell by cell: a texture of another grid would paint the wrong places.
    ok = view_ && load_texture(files, factorX, factorY, view_->get_width(), view_->get_height(), colors, loadError_,
                               [&](std::size_t done, std::size_t total) { progress.read(done, total); });
    if (ok) set_color_matrix(colors);
  }
  loadError_.input = "texture";
  if (ok) loaded_.red = red, loaded_.green = green, loaded_.blue = blue;
  end_progress();
  return ok;
}

void Frame::set_origin(std::size_t originX, std::size_t originY, std::size_t divisor) {
  readout_ = ReadoutSettings{originX, originY, divisor};
}

void Frame::on_cursor_notify(std::size_t column, std::size_t row) {
  const auto position = cursor_position_text(column, row, readout_);
  if (!position || !statusBar_ || !view_) return;
  statusBar_->SetStatusText(wxString::FromUTF8(*position), 1);
  const bool hole = view_->scene().holes && !std::isfinite(view_->cursor_height());
  const std::string noData = GetResourceString(IDS_READOUT_NO_DATA);
  statusBar_->SetStatusText(wxString::FromUTF8(hole ? noData : format_float(view_->cursor_height())), 2);
  // The same place in map terms: its centre in the relief's CRS, longitude and latitude, the
  // height with its unit. A bare grid has none of these.
  const Georef& geo = view_->georef();
  std::string map;
  if (geo.mapped && column < view_->get_width() && row < view_->get_height()) {
    MapWords w;
    w.north = GetResourceString(IDS_READOUT_NORTH), w.south = GetResourceString(IDS_READOUT_SOUTH);
    w.east = GetResourceString(IDS_READOUT_EAST), w.west = GetResourceString(IDS_READOUT_WEST);
    w.metre = GetResourceString(IDS_READOUT_METRE), w.foot = GetResourceString(IDS_READOUT_FOOT);
    w.survey_foot = GetResourceString(IDS_READOUT_SURVEY_FOOT);
    for (const std::string& part : {map_xy_text(geo, column, row, w), lon_lat_text(geo, column, row, w),
                                    hole ? noData : height_text(geo, view_->cursor_height(), w)})
      if (!part.empty()) map += (map.empty() ? "" : "  |  ") + part;
  }
  show_note(wxString::FromUTF8(map));
}

void Frame::show_note(const wxString& text) {
  if (sharpening_) beforeSharpening_ = text;  // shown once the relief is sharp
  else if (statusBar_) statusBar_->SetStatusText(text, 3);
}

void Frame::on_detail_notify(std::size_t ready, std::size_t wanted) {
  if (!statusBar_ || ready >= wanted) {
    if (statusBar_ && sharpening_) statusBar_->SetStatusText(beforeSharpening_, 3);
    sharpening_ = false;
    return;
  }
  if (!sharpening_) beforeSharpening_ = statusBar_->GetStatusText(3);
  sharpening_ = true;
  statusBar_->SetStatusText(wxString::Format(wxString::FromUTF8(GetResourceString(IDS_STATUS_SHARPENING)), ready, wanted), 3);
}

void Frame::OnFileOpen() {
  {
    COpenFileDlg dialog(this);
    if (dialog.DoModal() == wxID_OK) {
      const std::size_t fx = widen(dialog.factorX), fy = widen(dialog.factorY);
      set_relief_options(dialog.reliefOptions);
      bool loaded = set_matrix(dialog.reliefPath, fx, fy);
      if (loaded && dialog.useTexture) {
        const std::size_t component = widen(static_cast<int>(dialog.component));
        if (dialog.singleTexture)
          loaded = set_color_matrix(dialog.texturePath, dialog.texturePath, dialog.texturePath, fx, fy, component);
        else
          loaded = set_color_matrix(dialog.redPath, dialog.greenPath, dialog.bluePath, fx, fy, component);
        // The view compiles the texture without painting, and a compositing desktop sends no
        // repaint when the dialog closes: the new colours are asked for here.
        if (view_) view_->Refresh();
      }
      if (!loaded) COpenFileDlg::ShowFileError(this, loadError_.line());
    }
  }  // the dialog lives for this one command
  repaint_toolbar();
}

void Frame::set_camera(double tilt, double azimuth, int zoomLevel, double panX, double panY) {
  if (!view_) return;
  view_->set_rotation(tilt, azimuth);
  view_->set_pan(panX, panY);
  view_->set_zoom_level(zoomLevel);
  set_status_text(zoom_percent_text(view_->zoom_percent()));
  repaint_toolbar();
}

void Frame::set_look(double exaggeration, int lightAzimuth, int lightElevation) {
  if (!toolWin_) return;
  if (exaggeration > 0 && toolWin_->GetOffsetPage()) toolWin_->GetOffsetPage()->SetExaggeration(exaggeration);
  if (lightAzimuth >= 0 && toolWin_->GetSunPage()) toolWin_->GetSunPage()->SetDirection(lightAzimuth, lightElevation);
}

void Frame::OnButtonPlus() {
  if (view_) {
    view_->zoom(true);
    set_status_text(zoom_percent_text(view_->zoom_percent()));
  }
  repaint_toolbar();
}

void Frame::OnButtonMinus() {
  if (view_) {
    view_->zoom(false);
    set_status_text(zoom_percent_text(view_->zoom_percent()));
  }
  repaint_toolbar();
}

void Frame::OnButtonCursor() {
  if (view_) {
    if (!toolStyles_.is_pressed(ID_POINTER_3D)) {
      ToolBarPressButton(ID_POINTER_3D, 1);
      if (view_->get_manipulator_type() == ManipulatorType::Pan) {
        view_->set_manipulator_type(ManipulatorType::Cursor);
        view_->set_cursor(view_->get_width() / 2, view_->get_height() / 2);
      } else {
        // A relief load released the button while pointer mode was on: this press ends it.
        view_->set_manipulator_type(ManipulatorType::Pan);
        view_->set_cursor(SIZE_MAX, SIZE_MAX);
      }
    } else {
      ToolBarPressButton(ID_POINTER_3D, 0);
      view_->set_manipulator_type(ManipulatorType::Pan);
      view_->set_cursor(SIZE_MAX, SIZE_MAX);
      if (statusBar_) {
        statusBar_->SetStatusText(wxString(), 1);
        statusBar_->SetStatusText(wxString(), 2);
      }
      show_note(wxString());
    }
  }
  repaint_toolbar();
}

void Frame::OnButtonHelp() {
  const std::string address = help_topic_address(helpPath, GetResourceString(IDS_HELP_LANG_3D), "/Viewer3D.htm");
  HtmlHelpA(nullptr, address.c_str(), HH_DISPLAY_TOPIC, 0);
  repaint_toolbar();
}

void Frame::OnButtonHist() {
  if (paletteDlg_) paletteDlg_->Show();
  repaint_toolbar();
}

void Frame::OnButtonTools() {
  if (toolWin_) toolWin_->Show();
  repaint_toolbar();
}

}  // namespace lib3d
