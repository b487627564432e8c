// Controls and dialogs of the host library.
#include "hostlib/Controls.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

#include <gtk/gtk.h>

#include <wx/button.h>
#include <wx/display.h>
#include <wx/dcbuffer.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/timer.h>
#include <wx/filedlg.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "host/common/HostStrings.h"
#include "hostlib/FileLayer.h"
#include "hostlib/HostLayout.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"

wxDEFINE_EVENT(EVT_INFILE_CHOSEN, wxCommandEvent);

namespace {

wxString res(int id) { return wxString::FromUTF8(GetResourceString(id).c_str()); }

std::string to_utf8(const wxString& s) {
  const wxScopedCharBuffer b = s.utf8_str();
  return std::string(b.data(), b.length());
}

// The directory part of a chosen path, for the remembered-directory store.
std::string dir_of(const std::string& path) {
  const std::size_t sep = path.find_last_of('/');
  return sep == std::string::npos ? std::string() : path.substr(0, sep == 0 ? 1 : sep);
}

wxString raster_wildcard() {
  return res(hoststr::kRasterFiles) + "|" + wxString::FromUTF8(RasterFilePatterns().c_str()) + "|" +
         res(hoststr::kAllFiles) + " (*)|*";
}

// Asks for a raster file starting in the directory remembered under `key`; remembers the choice.
bool browse_for_raster(wxWindow* parent, const std::string& key, const wxString& current, std::string* chosen) {
  wxString dir = wxString::FromUTF8(GetLastDir(key.c_str()).c_str());
  if (dir.empty() && !current.empty()) dir = wxString::FromUTF8(dir_of(to_utf8(current)).c_str());
  if (dir.empty()) dir = wxString::FromUTF8(GetHostLayout().sampleDir.c_str());
  wxFileDialog dlg(parent, res(hoststr::kOpenRaster), dir, wxEmptyString, raster_wildcard(),
                   wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (dlg.ShowModal() != wxID_OK) return false;
  *chosen = to_utf8(dlg.GetPath());
  if (chosen->empty()) return false;
  SetLastDir(dir_of(*chosen).c_str(), key.c_str());
  return true;
}

}  // namespace

// GTK matches filter patterns case-sensitively, and DEMs arrive as .TIF and .HGT as often as not.
std::string RasterFilePatterns() {
  static const char* const kExtensions[] = {"tif", "tiff", "hgt", "vrt", "asc", "bil", "bip", "bsq", "img", "nc",
                                            "jp2", "dem", "dt0", "dt1", "dt2", "flt", "grd", "ers", "xyz",
                                            "hdf", "h5", "ntf", "png", "jpg", "jpeg", "bmp", "gif"};
  std::string patterns;
  for (const char* ext : kExtensions) {
    if (!patterns.empty()) patterns += ';';
    patterns += "*.";
    for (const char* c = ext; *c; ++c) {
      const char lower = *c, upper = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
      if (lower == upper) patterns += lower;
      else patterns += std::string("[") + lower + upper + "]";
    }
  }
  return patterns;
}

// --- CInFileCtrl -------------------------------------------------------------------------------

CInFileCtrl::CInFileCtrl() = default;
CInFileCtrl::~CInFileCtrl() = default;

bool CInFileCtrl::AttachToPlaceholder(wxWindow* placeholder) {
  if (!placeholder || !placeholder->GetParent() || GetHandle()) return false;
  placeholder_ = placeholder;
  return true;
}

bool CInFileCtrl::Create(int, const char*, const char*, int, const char* key) {
  if (!placeholder_ || GetHandle()) return false;
  key_ = key ? key : "";
  wxWindow* parent = placeholder_->GetParent();
  if (!wxPanel::Create(parent, placeholder_->GetId(), placeholder_->GetPosition(), placeholder_->GetSize(),
                       wxTAB_TRAVERSAL))
    return false;
  placeholder_->Hide();
  // Take the placeholder's place in the tab order and in its sizer, if it has one.
  MoveAfterInTabOrder(placeholder_);
  if (wxSizer* sizer = placeholder_->GetContainingSizer()) sizer->Replace(placeholder_, this);

  // A path or a URL GDAL opens (/vsicurl/..., https://..., /vsizip/...) may be typed; Enter takes it.
  pathEdit_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
  pathEdit_->SetHint(res(hoststr::kPathHint));
  auto* browse = new wxButton(this, wxID_ANY, res(hoststr::kBrowse), wxDefaultPosition, wxDefaultSize,
                              wxBU_EXACTFIT);
  sizeLabel_ = new wxStaticText(this, wxID_ANY, res(hoststr::kNoFile));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(pathEdit_, 1, wxALIGN_CENTER_VERTICAL);
  row->Add(browse, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
  auto* col = new wxBoxSizer(wxVERTICAL);
  col->Add(row, 0, wxEXPAND);
  col->Add(sizeLabel_, 0, wxTOP, 2);
  SetSizer(col);
  Layout();
  browse->Bind(wxEVT_BUTTON, &CInFileCtrl::OnBrowse, this);
  pathEdit_->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) {
    const std::string typed = to_utf8(pathEdit_->GetValue().Strip(wxString::both));
    if (!typed.empty()) ChooseFile(typed);
  });
  return true;
}

void CInFileCtrl::SetPathName(const CString& path) {
  path_ = path;
  width_ = height_ = 0;
  ready_ = false;
  if (!path_.empty()) {
    CFileLayer layer;
    if (layer.Open(path_.c_str())) {
      width_ = layer.Width();
      height_ = layer.Height();
      ready_ = true;
    }
  }
  Refresh_();
}

CString CInFileCtrl::GetPathName() const { return path_; }
int CInFileCtrl::Width() const { return width_; }
int CInFileCtrl::Height() const { return height_; }
int CInFileCtrl::DataReady() const { return ready_ ? 1 : 0; }

void CInFileCtrl::ClearAll() {
  path_.clear();
  width_ = height_ = 0;
  ready_ = false;
  Refresh_();
}

void CInFileCtrl::ChooseFile(const CString& path) {
  SetPathName(path);
  wxWindow* parent = GetParent();
  if (!parent) return;
  // Like a sent message: the parent has handled it when this returns.
  wxCommandEvent event(EVT_INFILE_CHOSEN, GetId());
  event.SetEventObject(this);
  event.SetInt(WM_INFILE_CHOSEN);
  parent->GetEventHandler()->ProcessEvent(event);
}

void CInFileCtrl::OnBrowse(wxCommandEvent&) {
  std::string chosen;
  if (browse_for_raster(this, key_, wxString::FromUTF8(path_.c_str()), &chosen)) ChooseFile(chosen);
}

void CInFileCtrl::Refresh_() {
  if (!pathEdit_) return;
  pathEdit_->ChangeValue(wxString::FromUTF8(path_.c_str()));
  wxString size;
  if (path_.empty()) size = res(hoststr::kNoFile);
  else if (!ready_) size = res(hoststr::kUnreadable);
  else size.Printf(res(hoststr::kSizeFormat), width_, height_);
  sizeLabel_->SetLabel(size);
}

// --- CInfoFileDialogEx --------------------------------------------------------------------------

CInfoFileDialogEx::CInfoFileDialogEx(int, const char*, const char* fileName, unsigned long, const char*,
                                     wxWindow* parent, int, const char* key, int)
    : wxDialog(parent, wxID_ANY, res(hoststr::kOpenRaster), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      key_(key ? key : "") {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, wxID_ANY, res(hoststr::kFileLabel)), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
  pathEdit_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(320, -1));
  row->Add(pathEdit_, 1, wxALIGN_CENTER_VERTICAL);
  auto* browse = new wxButton(this, wxID_ANY, res(hoststr::kBrowse), wxDefaultPosition, wxDefaultSize,
                              wxBU_EXACTFIT);
  row->Add(browse, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
  top->Add(row, 0, wxEXPAND | wxALL, 8);
  const wxString choices[] = {res(hoststr::kReal), res(hoststr::kImaginary), res(hoststr::kAmplitude),
                              res(hoststr::kPhase)};
  componentBox_ = new wxRadioBox(this, wxID_ANY, res(hoststr::kComponent), wxDefaultPosition, wxDefaultSize, 4,
                                 choices, 2, wxRA_SPECIFY_COLS);
  top->Add(componentBox_, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);

  browse->Bind(wxEVT_BUTTON, &CInfoFileDialogEx::OnBrowse, this);
  Bind(wxEVT_BUTTON, &CInfoFileDialogEx::OnOK, this, wxID_OK);
  pathEdit_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateComponentChoice(); });
  SetPathName(fileName ? fileName : "");
}

CInfoFileDialogEx::~CInfoFileDialogEx() = default;

int CInfoFileDialogEx::DoModal() {
  accepted_ = false;
  // Through ShowModal, so that wx's modal-dialog test hook can stand in for the user.
  const int result = ShowModal();
  if (result != wxID_OK) return wxID_CANCEL;
  path_ = to_utf8(pathEdit_->GetValue());
  record_ = CreateViewStruct{};
  if (componentBox_->IsEnabled()) {
    switch (componentBox_->GetSelection()) {
      case COMPONENT_IMAGINARY: record_.flags = CVS_IMAGINARY; break;
      case COMPONENT_AMPLITUDE: record_.flags = CVS_AMPLITUDE; break;
      case COMPONENT_PHASE: record_.flags = CVS_PHASE; break;
      default: record_.flags = 0; break;
    }
  }
  if (!path_.empty()) SetLastDir(dir_of(path_).c_str(), key_.c_str());
  accepted_ = true;
  return wxID_OK;
}

CString CInfoFileDialogEx::GetPathName() const { return path_; }
const CreateViewStruct* CInfoFileDialogEx::GetCreateViewStruct() const { return accepted_ ? &record_ : nullptr; }

void CInfoFileDialogEx::SetPathName(const CString& path) {
  pathEdit_->ChangeValue(wxString::FromUTF8(path.c_str()));
  UpdateComponentChoice();
}

void CInfoFileDialogEx::SetComponent(int component) {
  if (component >= 0 && component < 4) componentBox_->SetSelection(component);
}

// The component only means something for two-valued pixels; for anything else the choice is off
// and the record says "real".
void CInfoFileDialogEx::UpdateComponentChoice() {
  const std::string path = to_utf8(pathEdit_->GetValue());
  bool twoValued = false;
  if (IsFileExist(path.c_str())) {
    CFileLayer layer;
    twoValued = layer.Open(path.c_str()) && IsTwoValuedType(layer.Type());
  }
  componentBox_->Enable(twoValued);
}

void CInfoFileDialogEx::OnOK(wxCommandEvent&) {
  // Only a readable raster ends the dialog with OK.
  CFileLayer layer;
  if (!layer.Open(to_utf8(pathEdit_->GetValue()).c_str())) {
    wxBell();
    pathEdit_->SetFocus();
    return;
  }
  EndModal(wxID_OK);
}

void CInfoFileDialogEx::OnBrowse(wxCommandEvent&) {
  std::string chosen;
  if (browse_for_raster(this, key_, pathEdit_->GetValue(), &chosen)) SetPathName(chosen);
}

// --- CSpinButtonCtrl32 --------------------------------------------------------------------------

CSpinButtonCtrl32::CSpinButtonCtrl32() = default;
CSpinButtonCtrl32::~CSpinButtonCtrl32() { delete repeat_; }

bool CSpinButtonCtrl32::Create(unsigned long, const wxRect& rect, wxWindow* parent, int id) {
  // The platform styles the callers pass (child, visible, align-right, set-buddy-int, arrow keys)
  // describe what this control always does. A plain drawn window, not GTK's spin button: the
  // value methods are all this class's own.
  if (!wxControl::Create(parent, id == 0 ? wxID_ANY : id, rect.GetPosition(), rect.GetSize(),
                         wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE, wxDefaultValidator, wxSPIN_BUTTON_NAME))
    return false;
  // The callers' rectangle is a placeholder until SetBuddy: it must not become a minimum size.
  SetMinSize(wxDefaultSize);
  InvalidateBestSize();
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  repeat_ = new wxTimer(this);
  Bind(wxEVT_SPIN, &CSpinButtonCtrl32::OnSpin, this);
  Bind(wxEVT_PAINT, &CSpinButtonCtrl32::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CSpinButtonCtrl32::OnMouseDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CSpinButtonCtrl32::OnMouseDown, this);
  Bind(wxEVT_LEFT_UP, &CSpinButtonCtrl32::OnMouseUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
    pressed_ = 0;
    repeat_->Stop();
    Refresh();
  });
  Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& e) {
    if (IsEnabled() && e.GetWheelRotation() != 0) Click(e.GetWheelRotation() > 0 ? 1 : -1);
  });
  Bind(wxEVT_TIMER, &CSpinButtonCtrl32::OnRepeat, this);
  return true;
}

wxSize CSpinButtonCtrl32::DoGetBestSize() const { return FromDIP(wxSize(16, 24)); }

GdkWindow* CSpinButtonCtrl32::GTKGetWindow(wxArrayGdkWindows& windows) const {
  return wxControl::GTKGetWindow(windows);
}

void CSpinButtonCtrl32::DoEnable(bool enable) {
  wxControl::DoEnable(enable);
  if (!enable) {
    pressed_ = 0;
    if (repeat_) repeat_->Stop();
    if (HasCapture()) ReleaseMouse();
  }
  Refresh();
}

void CSpinButtonCtrl32::SetBuddy(wxTextCtrl* buddy) {
  if (buddy_) {
    buddy_->Unbind(wxEVT_TEXT, &CSpinButtonCtrl32::OnBuddyText, this);
    buddy_->Unbind(wxEVT_KEY_DOWN, &CSpinButtonCtrl32::OnBuddyKey, this);
  }
  buddy_ = buddy;
  if (!buddy_) return;
  // Bound with this object as the sink, so wx drops the binding when the spin goes first.
  buddy_->Bind(wxEVT_TEXT, &CSpinButtonCtrl32::OnBuddyText, this);
  buddy_->Bind(wxEVT_KEY_DOWN, &CSpinButtonCtrl32::OnBuddyKey, this);
  if (buddy_->GetParent() != GetParent()) return;
  // Sit at the buddy's right edge, inside its old rectangle when the buddy is wide enough.
  const wxRect r = buddy_->GetRect();
  const int w = GetBestSize().x;
  if (r.width > 2 * w) {
    buddy_->SetSize(r.x, r.y, r.width - w, r.height);
    SetSize(r.x + r.width - w, r.y, w, r.height);
  } else {
    SetSize(r.x + r.width, r.y, w, r.height);
  }
}

// A reversed range (lower > upper) is taken as the same range: the arrows always step up and down
// in value.
void CSpinButtonCtrl32::SetRange(int lower, int upper) {
  lower_ = std::min(lower, upper);
  upper_ = std::max(lower, upper);
  SetPos(GetPos());
}

void CSpinButtonCtrl32::SetPos(int pos) {
  shown_ = std::clamp(pos, lower_, upper_);
  if (buddy_) buddy_->ChangeValue(wxString::Format("%d", shown_));
  Refresh();
}

int CSpinButtonCtrl32::GetPos() const {
  if (!buddy_) return shown_;
  const std::string text = to_utf8(buddy_->GetValue());
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return shown_;  // not a number: the last position stands
  return static_cast<int>(std::clamp<long>(v, lower_, upper_));
}

void CSpinButtonCtrl32::Step(int delta) {
  const long target = static_cast<long>(GetPos()) + delta;
  SetPos(static_cast<int>(std::clamp<long>(target, lower_, upper_)));
}

void CSpinButtonCtrl32::Click(int direction) {
  const int from = GetPos();
  const int to = std::clamp(from + direction, lower_, upper_);
  if (to == from) return;  // at the end of the range the arrow does nothing, as the native one
  shown_ = from;
  wxSpinEvent event(wxEVT_SPIN, GetId());
  event.SetEventObject(this);
  event.SetPosition(to);
  ProcessWindowEvent(event);
}

void CSpinButtonCtrl32::OnSpin(wxSpinEvent& event) {
  // The event carries the position one step on; redo the step from the buddy's number, which the
  // user may have typed in the meantime.
  const int moved = event.GetPosition() - shown_;
  if (moved != 0) Step(moved > 0 ? 1 : -1);
  // Let the owner see the change like a scroll of the up-down control.
  event.Skip();
}

// Typing in the buddy moves the arrows' position too, so that they are not stuck at an end the
// typed number has left.
void CSpinButtonCtrl32::OnBuddyText(wxCommandEvent& event) {
  shown_ = GetPos();
  event.Skip();
}

void CSpinButtonCtrl32::OnBuddyKey(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (IsEnabled() && (key == WXK_UP || key == WXK_NUMPAD_UP)) Click(1);
  else if (IsEnabled() && (key == WXK_DOWN || key == WXK_NUMPAD_DOWN)) Click(-1);
  else event.Skip();
}

void CSpinButtonCtrl32::OnMouseDown(wxMouseEvent& event) {
  if (!IsEnabled()) return;
  pressed_ = ArrowAt(event.GetY(), GetClientSize().y);
  if (!HasCapture()) CaptureMouse();
  Click(pressed_);
  repeat_->StartOnce(400);  // the first repeat waits, like a held key
  Refresh();
}

void CSpinButtonCtrl32::OnMouseUp(wxMouseEvent&) {
  pressed_ = 0;
  repeat_->Stop();
  if (HasCapture()) ReleaseMouse();
  Refresh();
}

void CSpinButtonCtrl32::OnRepeat(wxTimerEvent&) {
  if (pressed_ == 0 || !IsEnabled()) return;
  Click(pressed_);
  repeat_->StartOnce(60);
}

void CSpinButtonCtrl32::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
  dc.Clear();
  wxRendererNative& renderer = wxRendererNative::Get();
  const int half = size.y / 2;
  wxColour ink = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
  if (!IsEnabled()) ink = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
  for (int arrow : {1, -1}) {
    const wxRect r(0, arrow > 0 ? 0 : half, size.x, arrow > 0 ? half : size.y - half);
    int flags = 0;
    if (!IsEnabled()) flags |= wxCONTROL_DISABLED;
    if (pressed_ == arrow) flags |= wxCONTROL_PRESSED;
    renderer.DrawPushButton(this, dc, r, flags);
    // A small filled triangle, pointing away from the middle.
    const int w = std::max(3, std::min(r.width - 6, 2 * (r.height - 4)) / 2 * 2 + 1);
    const int h = (w + 1) / 2;
    const int cx = r.x + r.width / 2, cy = r.y + r.height / 2;
    const wxPoint tri[3] = {wxPoint(cx - w / 2, cy + arrow * h / 2), wxPoint(cx + w / 2, cy + arrow * h / 2),
                            wxPoint(cx, cy - arrow * ((h + 1) / 2))};
    dc.SetPen(wxPen(ink));
    dc.SetBrush(wxBrush(ink));
    dc.DrawPolygon(3, tri);
  }
}

void FitFileDialog(wxWindow* dialog) {
  GtkWidget* w = dialog ? static_cast<GtkWidget*>(dialog->GetHandle()) : nullptr;
  if (!w || !GTK_IS_WINDOW(w)) return;
  const wxRect area = wxDisplay(std::max(0, wxDisplay::GetFromPoint(wxGetMousePosition()))).GetClientArea();
  gint width = 0, height = 0;
  gtk_window_get_default_size(GTK_WINDOW(w), &width, &height);
  const int most_w = area.width * 9 / 10, most_h = area.height * 9 / 10;
  gtk_window_set_default_size(GTK_WINDOW(w), width > 0 ? std::min(width, most_w) : std::min(900, most_w),
                              height > 0 ? std::min(height, most_h) : std::min(640, most_h));
}
