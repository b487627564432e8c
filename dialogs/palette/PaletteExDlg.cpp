#include "dialogs/palette/PaletteExDlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "colour/ColourTable.h"
#include "dialogs/palette/PaletteDraw.h"
#include "resources/palette_ids.h"
#include "hostlib/Basekit.h"
#include "view/View.h"

using namespace lib3d::palette;

namespace {

const char kLastDirKey[] = "\\Viewer\\Palette";

wxString text(int id) { return wxString::FromUTF8(GetResourceString(id).c_str()); }

// Edit ids in marker order.
const int kMarkerEditIds[kMarkerCount] = {2720, 2721, 2727, 2728, 2732, 2733};

Rect to_rect(const wxRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

}  // namespace

C3DPaletteExDlg::C3DPaletteExDlg(wxWindow* parent, lib3d::View* view)
    : parent_(parent),
      view_(view),
      editor_(this),
      // Taken once, as the erase brush has always been: a theme change later does not repaint it.
      eraseBrush_(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)),
      ibeamCursor_(wxCURSOR_IBEAM) {}

C3DPaletteExDlg::~C3DPaletteExDlg() {
  if (HasCapture()) ReleaseMouse();
}

bool C3DPaletteExDlg::Create() {
  // Created hidden: wxDialog::Create never shows the window.
  if (!wxDialog::Create(parent_, 2743, text(IDS_PAL_CAPTION), wxDefaultPosition, wxDefaultSize,
                        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX))
    return false;
  UseCompactControls(this);
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
  // The layout is in dialog units of an 8-point face; the units follow from the font.
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(8);
  SetFont(font);

  // The spins are created first: their width decides the horizontal scale of the layout. The template
  // leaves 36 dialog units from an edit's left edge to the next control, room for a slim up-down
  // control beside a 32-unit edit; GTK's spin buttons are far wider ("-" and "+" side by side), so the
  // columns are spread just enough for each edit and its spin to fit. Where the spin is slim the
  // factor is 1 and every control sits exactly at its template position.
  for (int i = 0; i < 7; ++i) {
    spins_[i] = new CSpinButtonCtrl32;
    spins_[i]->Create(0, wxRect(10, 10, 40, 40), this, 0);
  }
  const int spinWidth = std::max(16, spins_[0]->GetBestSize().x);
  const double xScale = std::max(1.0, double(ConvertDialogToPixels(wxSize(32, 0)).x + spinWidth + 4) /
                                          ConvertDialogToPixels(wxSize(36, 0)).x);
  auto place = [this, xScale](int x, int y, int w, int h, bool scaleWidth = true) {
    const wxPoint p = ConvertDialogToPixels(wxPoint(x, y));
    const wxSize s = ConvertDialogToPixels(wxSize(w, h));
    return wxRect(int(p.x * xScale), p.y, scaleWidth ? int(s.x * xScale) : s.x, s.y);
  };
  {
    const wxSize c = ConvertDialogToPixels(wxSize(188, 151));
    SetClientSize(int(c.x * xScale), c.y);
  }
  auto label = [&](int id, int sid, int x, int y, int w, int h, long align) {
    const wxRect r = place(x, y, w, h);
    return new wxStaticText(this, id, text(sid), r.GetPosition(), r.GetSize(), align | wxST_NO_AUTORESIZE);
  };
  auto edit = [&](int id, int x, int y, int w, int h, const char* initial) {
    const wxRect r = place(x, y, w, h, false);
    return new wxTextCtrl(this, id, initial, r.GetPosition(), r.GetSize(), wxBORDER_SUNKEN);
  };
  auto button = [&](int id, int sid, int x, int y, int w, int h) {
    const wxRect r = place(x, y, w, h);
    return new wxButton(this, id, text(sid), r.GetPosition(), r.GetSize());
  };
  auto placeholder = [&](int id, int x, int y, int w, int h) {
    const wxRect r = place(x, y, w, h);
    wxWindow* w2 = new wxWindow(this, id, r.GetPosition(), r.GetSize(), wxBORDER_NONE);
    w2->Hide();
    return w2;
  };

  label(IDC_INPUT_LABEL, IDS_PAL_INPUT_HISTOGRAM, 8, 4, 96, 11, wxALIGN_RIGHT);
  edits_[InMin] = edit(IDC_IN_MIN, 108, 4, 32, 12, "0");
  edits_[InMax] = edit(IDC_IN_MAX, 148, 4, 32, 12, "255");
  wxWindow* inputStrip = placeholder(IDC_INPUT_STRIP, 8, 20, 172, 12);
  label(IDC_COLOR_LABEL, IDS_PAL_COLOR, 8, 42, 24, 8, wxALIGN_CENTRE_HORIZONTAL);
  label(IDC_INTERVAL_LABEL, IDS_PAL_INTERVAL, 32, 42, 148, 8, wxALIGN_CENTRE_HORIZONTAL);
  wxWindow* swatch = placeholder(IDC_SWATCH, 8, 50, 24, 12);
  button(IDC_MIN_BUTTON, IDS_PAL_MIN, 48, 50, 32, 12);
  edits_[IntervalMin] = edit(IDC_INTERVAL_MIN, 80, 50, 32, 12, "0");
  button(IDC_MAX_BUTTON, IDS_PAL_MAX, 116, 50, 32, 12);
  edits_[IntervalMax] = edit(IDC_INTERVAL_MAX, 148, 50, 32, 12, "255");
  label(IDC_KIND_LABEL, IDS_PAL_PALETTE, 16, 66, 76, 8, wxALIGN_CENTRE_HORIZONTAL);
  label(IDC_BINS_LABEL, IDS_PAL_BINS, 92, 66, 56, 8, wxALIGN_CENTRE_HORIZONTAL);
  {
    const wxRect r = place(8, 74, 92, 12);  // a drop-down list: its closed height is one line
    wxArrayString items;
    for (int id : kPaletteKindStringIds) items.Add(text(id));
    kind_ = new wxChoice(this, IDC_KIND, r.GetPosition(), r.GetSize(), items);
  }
  binsEdit_ = edit(IDC_BINS, 104, 74, 32, 12, "255");
  button(IDC_UPDATE, IDS_PAL_UPDATE, 140, 74, 40, 12);
  wxWindow* paletteStrip = placeholder(IDC_PALETTE_STRIP, 8, 94, 172, 12);
  label(IDC_OUTPUT_LABEL, IDS_PAL_OUTPUT_HISTOGRAM, 8, 116, 96, 12, wxALIGN_RIGHT);
  edits_[OutMin] = edit(IDC_OUT_MIN, 108, 116, 32, 12, "0");
  edits_[OutMax] = edit(IDC_OUT_MAX, 148, 116, 32, 12, "255");
  button(IDC_LOAD, IDS_PAL_LOAD, 5, 134, 42, 12);
  button(IDC_SAVE, IDS_PAL_SAVE, 50, 134, 42, 12);
  button(wxID_OK, IDS_PAL_APPLY, 95, 134, 42, 12);
  button(wxID_CANCEL, IDS_PAL_CANCEL, 140, 134, 42, 12);
  SetEscapeId(wxID_CANCEL);
  SetAffirmativeId(wxID_NONE);  // Enter does not apply: no button is the default one

  editor_.initialise();

  // The placeholders have no border, so their client areas are their window rectangles.
  editor_.geometry = Geometry::from_placeholders(to_rect(swatch->GetRect()), to_rect(inputStrip->GetRect()),
                                                 to_rect(paletteStrip->GetRect()), to_rect(inputStrip->GetRect()),
                                                 to_rect(paletteStrip->GetRect()));

  // Spins: the six range edits 0..255, the bins edit 1..255.
  wxTextCtrl* buddies[7] = {edits_[InMin], edits_[InMax], edits_[OutMin], edits_[OutMax],
                            edits_[IntervalMin], edits_[IntervalMax], binsEdit_};
  const int positions[7] = {0, 255, 0, 255, 0, 255, 255};
  for (int i = 0; i < 7; ++i) {
    spins_[i]->SetBuddy(buddies[i]);
    spins_[i]->SetRange(i == 6 ? 1 : 0, 255);
    spins_[i]->SetPos(positions[i]);
  }
  kind_->SetSelection(0);
  editor_.committed.kind = editor_.working.kind = static_cast<int>(PaletteKind::SolidColour);

  Bind(wxEVT_SHOW, &C3DPaletteExDlg::OnShowEvent, this);
  Bind(wxEVT_PAINT, &C3DPaletteExDlg::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &C3DPaletteExDlg::OnLeftDown, this);
  Bind(wxEVT_MOTION, &C3DPaletteExDlg::OnMotion, this);
  Bind(wxEVT_LEFT_UP, &C3DPaletteExDlg::OnLeftUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &C3DPaletteExDlg::OnCaptureLost, this);
  Bind(wxEVT_SET_CURSOR, &C3DPaletteExDlg::OnSetCursor, this);
  Bind(wxEVT_CLOSE_WINDOW, &C3DPaletteExDlg::OnClose, this);
  Bind(wxEVT_SPIN, &C3DPaletteExDlg::OnSpin, this);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnUpdate, this, IDC_UPDATE);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnLoad, this, IDC_LOAD);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnSave, this, IDC_SAVE);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnOK, this, wxID_OK);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnCancel, this, wxID_CANCEL);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnMinMax, this, IDC_MIN_BUTTON);
  Bind(wxEVT_BUTTON, &C3DPaletteExDlg::OnMinMax, this, IDC_MAX_BUTTON);
  for (int m = 0; m < kMarkerCount; ++m) edits_[m]->Bind(wxEVT_TEXT, &C3DPaletteExDlg::OnEditText, this);
  return true;
}

// --- showing, hiding, Apply, Cancel ---------------------------------------------------------------

void C3DPaletteExDlg::OnShowEvent(wxShowEvent& event) {
  event.Skip();
  if (event.IsShown()) {
    editor_.on_shown(view_ ? view_->get_palette() : std::vector<std::uint32_t>());
  } else {
    if (HasCapture()) ReleaseMouse();
    editor_.on_hidden();
  }
}

void C3DPaletteExDlg::OwnerIconized(bool iconized) {
  if (!IsShown()) return;
  wxShowEvent event(GetId(), !iconized);
  OnShowEvent(event);
}

void C3DPaletteExDlg::OnOK(wxCommandEvent&) {
  editor_.apply();
  refillOnPaint_ = true;
  Hide();
}

void C3DPaletteExDlg::OnCancel(wxCommandEvent&) {
  editor_.cancel();
  refillOnPaint_ = true;
  Hide();
}

// The close box cancels; the dialog lives as long as the frame.
void C3DPaletteExDlg::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) event.Veto();
  wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
  OnCancel(cancel);
}

// --- commands -------------------------------------------------------------------------------------

void C3DPaletteExDlg::OnUpdate(wxCommandEvent&) {
  editor_.update(kind_->GetSelection() < 0 ? 0 : kind_->GetSelection(), binsEdit_->GetValue().utf8_string());
}

void C3DPaletteExDlg::OnMinMax(wxCommandEvent& event) {
  editor_.paint_entry(editor_.markers[event.GetId() == IDC_MIN_BUTTON ? IntervalMin : IntervalMax]);
}

int C3DPaletteExDlg::MarkerOfEdit(int id) const {
  for (int m = 0; m < kMarkerCount; ++m)
    if (kMarkerEditIds[m] == id) return m;
  return -1;
}

void C3DPaletteExDlg::OnEditText(wxCommandEvent& event) {
  event.Skip();
  const int m = MarkerOfEdit(event.GetId());
  if (m >= 0) editor_.edit_changed(m, edits_[m]->GetValue().utf8_string());
}

// The spin writes its buddy without a text notification; take the new text from here instead.
void C3DPaletteExDlg::OnSpin(wxSpinEvent& event) {
  event.Skip();
  for (int m = 0; m < kMarkerCount; ++m)
    if (event.GetEventObject() == spins_[m]) editor_.edit_changed(m, edits_[m]->GetValue().utf8_string());
}

namespace {

// The file types of both choosers, in the order of kTypeExtensions.
wxString file_types() {
  return text(kPaletteFileStringId) + " (*.pal)|*.pal|" + text(IDS_PAL_GDALDEM_FILES) + " (*.txt, *.clr)|*.txt;*.clr|" +
         text(IDS_PAL_CPT_FILES) + " (*.cpt)|*.cpt";
}
const char* const kTypeExtensions[] = {".pal", ".txt", ".cpt"};

}  // namespace

// The file dialogs have no parent, as the palette files always had; wx's filter needs no "||" end.
// They are titled as the framework's own choosers are, and kept within the screen.
void C3DPaletteExDlg::OnSave(wxCommandEvent&) {
  wxFileDialog dlg(nullptr, text(IDS_PAL_SAVE_AS), wxString::FromUTF8(GetLastDir(kLastDirKey).c_str()), wxString(),
                   file_types(), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  FitFileDialog(&dlg);
  if (dlg.ShowModal() != wxID_OK) return;
  const int type = std::min(std::max(dlg.GetFilterIndex(), 0), 2);
  const std::string chosen = dlg.GetPath().utf8_string(), path = with_palette_extension(chosen, kTypeExtensions[type]);
  // The dialog asked about overwriting the name as typed, not the one with the extension.
  if (path != chosen && wxFileExists(wxString::FromUTF8(path.c_str())) &&
      wxMessageBox(wxString::Format(text(IDS_PAL_REPLACE), wxString::FromUTF8(path.c_str())), wxString(),
                   wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, this) != wxYES)
    return;
  SaveChosenFile(path);
}

void C3DPaletteExDlg::OnLoad(wxCommandEvent&) {
  wxFileDialog dlg(nullptr, text(IDS_PAL_OPEN), wxString::FromUTF8(GetLastDir(kLastDirKey).c_str()), wxString(),
                   file_types(), wxFD_OPEN);
  FitFileDialog(&dlg);
  if (dlg.ShowModal() != wxID_OK) return;
  LoadChosenFile(dlg.GetPath().utf8_string());
}

// The directory is remembered even when the file then cannot be written or read.
bool C3DPaletteExDlg::SaveChosenFile(const std::string& path) {
  SetLastDir(directory_of(path).c_str(), kLastDirKey);
  return SaveToFile(path);
}

bool C3DPaletteExDlg::LoadChosenFile(const std::string& path) {
  SetLastDir(directory_of(path).c_str(), kLastDirKey);
  wxString problem;
  if (LoadFromFile(path, &problem)) return true;
  if (!problem.empty()) wxMessageBox(problem, text(IDS_PAL_CAPTION), wxOK | wxICON_ERROR, this);
  return false;
}

bool C3DPaletteExDlg::SaveToFile(const std::string& path) {
  const TableFormat format = format_of_path(path);
  if (format == TableFormat::Palette) return save_palette_file(path, editor_.file_data());
  // What the view shows, its levels mapped, at the heights it shows them.
  const PaletteFileData data = editor_.file_data();
  const std::vector<std::uint32_t> shown = view_palette(&data, -1);
  std::array<std::uint32_t, 256> palette{};
  std::copy_n(shown.begin(), palette.size(), palette.begin());
  const double lo = view_ ? view_->min_height() : 0, hi = view_ ? view_->max_height() : 0;
  return save_text_file(path, format == TableFormat::Cpt ? format_cpt(palette, lo, hi, noData_)
                                                         : format_gdaldem(palette, lo, hi, noData_));
}

bool C3DPaletteExDlg::LoadFromFile(const std::string& path, wxString* problem) {
  if (format_of_path(path) == TableFormat::Palette) {
    PaletteFileData data;
    if (!load_palette_file(path, data)) return false;
    noData_.reset();
    editor_.take_file(data);
    return true;
  }
  ColourTable table;
  TableError error;
  if (!load_colour_table(path, table, error)) {
    static_assert(static_cast<int>(TableProblem::NoEntries) == IDS_PAL_TABLE_EMPTY - IDS_PAL_TABLE_UNREADABLE + 1,
                  "one reason string per problem");
    if (problem) {
      wxString reason = error.line > 0 ? wxString::Format(text(IDS_PAL_TABLE_LINE), error.line) + ": " : wxString();
      reason += text(IDS_PAL_TABLE_UNREADABLE + static_cast<int>(error.problem) - 1);
      if (!error.system.empty()) reason += " (" + wxString::FromUTF8(error.system.c_str()) + ")";
      *problem = wxString::Format(text(IDS_PAL_TABLE_ERROR), wxString::FromUTF8(path.c_str()), reason);
    }
    return false;
  }
  noData_ = table.noData;
  editor_.take_file(to_palette(table, view_ ? view_->min_height() : 0, view_ ? view_->max_height() : 0));
  return true;
}

void C3DPaletteExDlg::ChooseSwatchColour() {
  wxColourData data;
  data.SetChooseFull(true);
  data.SetColour(to_wx(editor_.swatchColor));
  wxColourDialog dlg(this, &data);
  if (dlg.ShowModal() == wxID_OK) editor_.set_swatch(from_wx(dlg.GetColourData().GetColour()));
}

// --- drawing --------------------------------------------------------------------------------------

// Immediate drawing needs a realised window; before that the first paint draws everything.
bool C3DPaletteExDlg::CanDrawNow() const { return IsShownOnScreen(); }

void C3DPaletteExDlg::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  prepare_dc(dc);
  for (int m = 0; m < kMarkerCount; ++m) lib3d::palette::draw_marker(dc, editor_.geometry, m, editor_.markers[m]);
  // GTK repaints the whole dialog whenever it is activated, uncovered or restored, where a
  // composited desktop elsewhere keeps the window's picture and paints nothing. Those repaints must
  // not refill the interval over entries the user painted: only the first paint after the dialog
  // was opened by its command (it was hidden by Apply or Cancel, or never shown) refills.
  if (refillOnPaint_) {
    refillOnPaint_ = false;
    editor_.fill_interval(kind_->GetSelection() < 0 ? 0 : kind_->GetSelection(), binsEdit_->GetValue().utf8_string());
  }
  lib3d::palette::draw_palette_strip(dc, editor_.geometry, editor_.working.editedPalette);
  lib3d::palette::draw_input_strip(dc, editor_.geometry);
  lib3d::palette::draw_swatch(dc, editor_.geometry, editor_.swatchColor);
}

void C3DPaletteExDlg::erase_marker(int marker, int value) {
  if (!CanDrawNow()) return;
  wxClientDC dc(this);
  prepare_dc(dc);
  lib3d::palette::erase_marker(dc, editor_.geometry, marker, value, eraseBrush_);
}

void C3DPaletteExDlg::draw_marker(int marker, int value) {
  if (!CanDrawNow()) return;
  wxClientDC dc(this);
  prepare_dc(dc);
  lib3d::palette::draw_marker(dc, editor_.geometry, marker, value);
}

void C3DPaletteExDlg::draw_palette_strip() {
  if (!CanDrawNow()) return;
  wxClientDC dc(this);
  prepare_dc(dc);
  lib3d::palette::draw_palette_strip(dc, editor_.geometry, editor_.working.editedPalette);
}

void C3DPaletteExDlg::draw_swatch() {
  if (!CanDrawNow()) return;
  wxClientDC dc(this);
  prepare_dc(dc);
  lib3d::palette::draw_swatch(dc, editor_.geometry, editor_.swatchColor);
}

void C3DPaletteExDlg::paint_entry_columns(int entry, Colour colour) {
  if (!CanDrawNow()) return;
  wxClientDC dc(this);
  prepare_dc(dc);
  lib3d::palette::paint_entry_columns(dc, editor_.geometry, entry, colour);
}

void C3DPaletteExDlg::write_marker_edit(int marker, int value) {
  edits_[marker]->ChangeValue(wxString::Format("%d", value));
}

void C3DPaletteExDlg::show_bins_and_kind(int bins, int kind) {
  binsEdit_->ChangeValue(wxString::Format("%d", bins));
  if (kind >= 0 && kind < static_cast<int>(kind_->GetCount())) kind_->SetSelection(kind);
}

void C3DPaletteExDlg::send_palette(const std::vector<std::uint32_t>& palette) {
  if (view_) view_->set_palette(palette);
}

// --- mouse ----------------------------------------------------------------------------------------

void C3DPaletteExDlg::OnLeftDown(wxMouseEvent& event) {
  switch (editor_.mouse_down(event.GetX(), event.GetY())) {
    case PressResult::Capture:
      if (!HasCapture()) CaptureMouse();
      break;
    case PressResult::ChooseSwatch:
      ChooseSwatchColour();
      break;
    case PressResult::Ignored:
      break;
  }
  event.Skip();
}

void C3DPaletteExDlg::OnMotion(wxMouseEvent& event) {
  if (editor_.dragMode != DragMode::None) {
    editor_.mouse_move(event.GetX(), event.GetY());
  } else {
    overStrip_ = editor_.geometry.paletteStripRect.contains_inclusive(event.GetX(), event.GetY());
    SetCursor(overStrip_ ? ibeamCursor_ : wxNullCursor);
  }
  event.Skip();
}

void C3DPaletteExDlg::OnLeftUp(wxMouseEvent& event) {
  if (editor_.mouse_up() && HasCapture()) ReleaseMouse();
  event.Skip();
}

void C3DPaletteExDlg::OnCaptureLost(wxMouseCaptureLostEvent&) { editor_.mouse_up(); }

void C3DPaletteExDlg::OnSetCursor(wxSetCursorEvent& event) {
  if (overStrip_) event.SetCursor(ibeamCursor_);
  event.Skip();
}
