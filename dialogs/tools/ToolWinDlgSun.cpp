#include "dialogs/tools/ToolWinDlgSun.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <wx/dcclient.h>
#include <wx/stattext.h>

#include "resources/tools_ids.h"
#include "hostlib/Basekit.h"
#include "view/View.h"

namespace {

const wxEventTypeTag<wxScrollEvent> kSliderEvents[] = {
    wxEVT_SCROLL_TOP,        wxEVT_SCROLL_BOTTOM,       wxEVT_SCROLL_LINEUP,
    wxEVT_SCROLL_LINEDOWN,   wxEVT_SCROLL_PAGEUP,       wxEVT_SCROLL_PAGEDOWN,
    wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED,
};

// Spin styles as the host library's up-down control understands them (buddy integer, aligned to the
// buddy's right, arrow keys); it always behaves that way, the word is informative.
constexpr unsigned long kSpinStyle = 0x0002 | 0x0004 | 0x0020;

wxRect ToWx(const tools::IntRect& r, int dx = 0, int dy = 0) {
  return wxRect(r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top);
}

}  // namespace

CToolWinDlgSun::CToolWinDlgSun(lib3d::View* v, wxWindow* parent)
    : CToolPage(v, parent, IDC_APPLY, IDC_HELP, IDC_CLOSE) {}

CToolWinDlgSun::~CToolWinDlgSun() {
  if (memDC) memDC->SelectObject(wxNullBitmap);
}

void CToolWinDlgSun::InitPage() {
  auto label = [this](int textId, int x, int y, int w, int h) {
    const wxRect r = DialogRect(x, y, w, h);
    new wxStaticText(this, wxID_ANY, wxString::FromUTF8(GetResourceString(textId)), r.GetPosition(),
                     r.GetSize());
  };
  auto slider = [this](int id, int lo, int hi, int x, int y, int w, int h) {
    return MakeSlider(this, id, lo, hi, DialogRect(x, y, w, h));
  };
  auto edit = [this](int id, int x, int y, int w, int h) {
    const wxRect r = DialogRect(x, y, w, h);
    return new wxTextCtrl(this, id, wxEmptyString, r.GetPosition(), r.GetSize());
  };

  // The frame only marks where the picture goes: the page paints the picture itself and takes the
  // mouse there, so the marker window stays hidden (a shown child would cover both).
  const wxRect fr = DialogRect(2, 4, 96, 96);
  sphereFrame = new wxWindow(this, IDC_SPHERE, fr.GetPosition(), fr.GetSize());
  sphereFrame->Hide();
  label(IDS_TOOLS_AZIMUTH, 104, 4, 32, 8);
  editAzimuth = edit(IDC_AZIMUTH_EDIT, 104, 12, 40, 12);
  sliderAzimuth = slider(IDC_AZIMUTH_SLIDER, 0, 360, 145, 12, 120, 12);
  label(IDS_TOOLS_ELEVATION, 104, 28, 44, 8);
  editElevation = edit(IDC_ELEVATION_EDIT, 104, 36, 40, 12);
  sliderElevation = slider(IDC_ELEVATION_SLIDER, 0, 90, 145, 36, 120, 12);
  label(IDS_TOOLS_AMBIENT, 104, 56, 52, 12);
  sliderAmbient = slider(IDC_AMBIENT, 0, 100, 165, 56, 100, 12);
  label(IDS_TOOLS_DIFFUSE, 104, 72, 61, 12);
  sliderDiffuse = slider(IDC_DIFFUSE, 0, 100, 165, 72, 100, 12);
  label(IDS_TOOLS_SPECULAR, 104, 88, 61, 12);
  sliderSpecular = slider(IDC_SPECULAR, 0, 100, 165, 88, 100, 12);
  applyButton->Disable();  // the page acts live; Apply never does anything

  const wxRect f = sphereFrame->GetRect();
  frameRect = {f.x, f.y, f.x + f.width, f.y + f.height};
  layout_ = tools::MakeSkyLayout(frameRect);
  bitmapWidth = layout_.bitmapWidth;
  bitmapHeight = layout_.bitmapHeight;
  rowBytes = layout_.rowBytes;
  BuildSkyBitmap();

  spinAzimuth = new CSpinButtonCtrl32;
  spinAzimuth->Create(kSpinStyle, wxRect(10, 10, 40, 40), this, 0);
  spinAzimuth->SetBuddy(editAzimuth);
  spinAzimuth->SetRange(0, 360);
  spinElevation = new CSpinButtonCtrl32;
  spinElevation->Create(kSpinStyle, wxRect(10, 10, 40, 40), this, 0);
  spinElevation->SetBuddy(editElevation);
  spinElevation->SetRange(0, 90);
  // GTK's up-down buttons are wider than the gap the layout leaves between an edit and its slider;
  // the slider then starts right of the spin and keeps its right end.
  for (auto pair : {std::make_pair(spinAzimuth, sliderAzimuth), std::make_pair(spinElevation, sliderElevation)}) {
    const wxRect sp = pair.first->GetRect();
    wxRect sl = pair.second->GetRect();
    if (sp.GetRight() >= sl.x) {
      const int right = sl.GetRight();
      sl.x = sp.GetRight() + 2;
      sl.width = std::max(20, right - sl.x + 1);
      pair.second->SetSize(sl);
    }
  }

  syncing = true;
  spinAzimuth->SetPos(0);
  sliderAzimuth->SetValue(0);
  spinElevation->SetPos(0);
  sliderElevation->SetValue(0);
  RedrawMarker();
  // These strengths and the angles 0, 0 are the view's own starting light: nothing is sent here.
  sliderAmbient->SetValue(30);
  sliderDiffuse->SetValue(70);
  sliderSpecular->SetValue(20);
  syncing = false;

  InitHelp();

  Bind(wxEVT_PAINT, &CToolWinDlgSun::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &CToolWinDlgSun::OnLButtonDown, this);
  Bind(wxEVT_MOTION, &CToolWinDlgSun::OnMouseMove, this);
  Bind(wxEVT_LEFT_UP, &CToolWinDlgSun::OnLButtonUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CToolWinDlgSun::OnCaptureLost, this);
  for (const auto& t : kSliderEvents) Bind(t, &CToolWinDlgSun::OnHScroll, this);
  Bind(wxEVT_TEXT, &CToolWinDlgSun::OnEditChanged, this, IDC_AZIMUTH_EDIT);
  Bind(wxEVT_TEXT, &CToolWinDlgSun::OnEditChanged, this, IDC_ELEVATION_EDIT);
  Bind(wxEVT_SPIN, &CToolWinDlgSun::OnSpin, this);
}

void CToolWinDlgSun::BuildSkyBitmap() {
  // White 24-bit picture; its rows are whole 32-bit words because the width is a multiple of 4.
  wxImage white(bitmapWidth, bitmapHeight, false);
  std::memset(white.GetData(), 0xFF, static_cast<size_t>(rowBytes) * static_cast<size_t>(bitmapHeight));
  sphereBitmap = wxBitmap(white, 24);
  memDC = std::make_unique<wxMemoryDC>();
  memDC->SelectObject(sphereBitmap);
  memDC->SetPen(*wxBLACK_PEN);
  memDC->SetBrush(*wxWHITE_BRUSH);
  for (int elevation : {90, 60, 30}) memDC->DrawEllipse(ToWx(tools::RingBox(layout_, elevation)));
}

wxImage CToolWinDlgSun::GetSkyImage() {
  if (!memDC) return wxImage();
  memDC->SelectObject(wxNullBitmap);
  wxImage image = sphereBitmap.ConvertToImage();
  memDC->SelectObject(sphereBitmap);
  return image;
}

lib3d::LightSettings CToolWinDlgSun::CurrentLight() const {
  lib3d::LightSettings s;  // all words 0
  if (!spinAzimuth) return s;
  s.words[lib3d::LightSettings::kAzimuth] = spinAzimuth->GetPos();
  s.words[lib3d::LightSettings::kElevation] = spinElevation->GetPos();
  s.words[LightRecordWords::kOne] = 1;
  s.words[lib3d::LightSettings::kAmbient] = sliderAmbient->GetValue();
  s.words[lib3d::LightSettings::kDiffuse] = sliderDiffuse->GetValue();
  s.words[lib3d::LightSettings::kSpecular] = sliderSpecular->GetValue();
  s.words[LightRecordWords::kLast] = 0;
  return s;
}

void CToolWinDlgSun::ApplyLight() {
  if (!view) return;
  const lib3d::LightSettings s = CurrentLight();
  view->set_lightPos(&s);
}

void CToolWinDlgSun::SetDirection(int azimuth, int elevation) {
  if (!spinAzimuth) return;
  syncing = true;
  spinAzimuth->SetPos(azimuth);
  spinElevation->SetPos(elevation);
  syncing = false;
  SyncFromSpin(spinAzimuth, sliderAzimuth);
  SyncFromSpin(spinElevation, sliderElevation);
  ApplyLight();
}

void CToolWinDlgSun::RedrawMarker() {
  int x = 0, y = 0;
  tools::MarkerPosition(layout_, spinAzimuth->GetPos(), spinElevation->GetPos(), x, y);
  DrawMarker(nullptr, x, y, true);
}

void CToolWinDlgSun::DrawMarker(wxDC* dc, int x, int y, bool erase) {
  if (dc) {
    markerX = x;
    markerY = y;
    PaintMarker(*dc, x, y);
    return;
  }
  // GTK draws only in paint events: invalidate the old square (its repaint restores the rings from
  // the picture) and the new one (its repaint draws the marker), then paint those two at once.
  // Both squares are grown by a pixel: on a scaled screen the ticks' ends reach one device pixel
  // past the square and would leave a trail behind a moved marker.
  const auto square = [this] {
    return ToWx(tools::MarkerSquare(markerX, markerY), frameRect.left, frameRect.top).Inflate(1);
  };
  if (erase) RefreshRect(square(), false);
  markerX = x;
  markerY = y;
  RefreshRect(square(), false);
  if (IsShownOnScreen()) Update();
}

void CToolWinDlgSun::PaintMarker(wxDC& dc, int x, int y) {
  const int X = frameRect.left + x, Y = frameRect.top + y;
  dc.SetPen(wxPen(wxColour(255, 0, 0), 1));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  // The circle fills the 15 x 15 square from X - 7 to X + 7. A 15-wide box would do that with the
  // platform's outline rule (right and bottom edges excluded), but the stroke here is centred on the
  // box's edge and would leak one pixel past the square that erasing restores.
  dc.DrawEllipse(X - 7, Y - 7, 14, 14);
  // Each tick ends one pixel short of its second point.
  dc.DrawLine(X - 7, Y, X - 4, Y);
  dc.DrawLine(X, Y - 7, X, Y - 4);
  dc.DrawLine(X + 7, Y, X + 4, Y);
  dc.DrawLine(X, Y + 7, X, Y + 4);
  dc.SetPen(wxNullPen);
  dc.SetBrush(wxNullBrush);
}

void CToolWinDlgSun::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const int w = frameRect.right - frameRect.left, h = frameRect.bottom - frameRect.top;
  if (memDC && w > 0 && h > 0) dc.Blit(frameRect.left, frameRect.top, w, h, memDC.get(), 0, 0);
  // The frame's black outline, drawn on Windows by the frame control itself.
  dc.SetPen(*wxBLACK_PEN);
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(frameRect.left, frameRect.top, w, h);
  int x = 0, y = 0;
  tools::MarkerPosition(layout_, spinAzimuth->GetPos(), spinElevation->GetPos(), x, y);
  DrawMarker(&dc, x, y, false);
}

void CToolWinDlgSun::PointToAngles(int x, int y) {
  const tools::SkyAngles a = tools::PointToAngles(layout_, x, y, spinAzimuth->GetPos());
  syncing = true;
  spinElevation->SetPos(a.elevation);
  sliderElevation->SetValue(a.elevation);
  spinAzimuth->SetPos(a.azimuth);
  sliderAzimuth->SetValue(a.azimuth);
  RefreshAngleSliders();
  RedrawMarker();
}

void CToolWinDlgSun::OnLButtonDown(wxMouseEvent& event) {
  const wxPoint p = event.GetPosition();
  // The frame's rectangle with its edges, not the circle: corners pick elevation 90.
  if (p.x >= frameRect.left && p.x <= frameRect.right && p.y >= frameRect.top && p.y <= frameRect.bottom) {
    PointToAngles(p.x, p.y);
    tracking = true;
    syncing = false;
    if (!HasCapture()) CaptureMouse();
  }
  event.Skip();
}

void CToolWinDlgSun::OnMouseMove(wxMouseEvent& event) {
  if (tracking) {
    PointToAngles(event.GetX(), event.GetY());
    syncing = false;
  }
  ApplyLight();
  event.Skip();
}

void CToolWinDlgSun::OnLButtonUp(wxMouseEvent& event) {
  if (tracking) {
    if (HasCapture()) ReleaseMouse();
    tracking = false;
    PointToAngles(event.GetX(), event.GetY());
    syncing = false;
  }
  event.Skip();
}

void CToolWinDlgSun::OnCaptureLost(wxMouseCaptureLostEvent&) {
  // Another window took the mouse: the drag is over, the angles stay where they were.
  tracking = false;
}

void CToolWinDlgSun::OnHScroll(wxScrollEvent& event) {
  const wxEventType type = event.GetEventType();
  // The release of a thumb drag; the "changed" event that follows it does the work.
  if (type == wxEVT_SCROLL_THUMBRELEASE) return;
  auto* slider = dynamic_cast<wxSlider*>(event.GetEventObject());
  if (!slider) return;
  const int p = slider->GetValue();
  syncing = true;
  // Thumb drags and the end of every move carry the angle sliders' new value into the spins; line
  // and page steps send the old angles and are followed by the end-of-move event.
  if (type == wxEVT_SCROLL_THUMBTRACK || type == wxEVT_SCROLL_CHANGED) {
    if (slider == sliderAzimuth) {
      spinAzimuth->SetPos(p);
      sliderAzimuth->SetValue(p);
      RedrawMarker();
    } else if (slider == sliderElevation) {
      spinElevation->SetPos(p);
      sliderElevation->SetValue(p);
      RedrawMarker();
    }
  }
  syncing = false;
  ApplyLight();
}

void CToolWinDlgSun::SyncFromSpin(CSpinButtonCtrl32* spin, wxSlider* slider) {
  const int p = spin->GetPos();
  wxTextCtrl* buddy = spin->GetBuddy();
  // Writing the clamped number back into a field the user has just emptied would make it
  // impossible to clear and retype; the number is written once there is something to normalise.
  if (buddy && !buddy->GetValue().empty()) {
    const long caret = buddy->GetInsertionPoint();
    syncing = true;
    spin->SetPos(p);
    syncing = false;
    buddy->SetInsertionPoint(std::min<long>(caret, buddy->GetLastPosition()));
  }
  slider->SetValue(p);
  RefreshAngleSliders();
  RedrawMarker();
}

void CToolWinDlgSun::RefreshAngleSliders() {
  // GTK draws a slider set from code at its old place when the redraw is asked for while an event
  // is being handled, and then not again until the slider's own next event (the user's next
  // click): the sliders are redrawn once the event is over.
  CallAfter([this] {
    sliderElevation->Refresh();
    sliderAzimuth->Refresh();
  });
}

void CToolWinDlgSun::OnEditChanged(wxCommandEvent& event) {
  if (syncing || !spinAzimuth) return;
  // A typed angle moves the marker and the slider; the light follows on the next mouse move over
  // the page or slider move.
  if (event.GetId() == IDC_AZIMUTH_EDIT)
    SyncFromSpin(spinAzimuth, sliderAzimuth);
  else if (event.GetId() == IDC_ELEVATION_EDIT)
    SyncFromSpin(spinElevation, sliderElevation);
}

void CToolWinDlgSun::OnSpin(wxCommandEvent& event) {
  // wx gives spin notifications the event type of a slider's thumb drag, so this handler sees
  // both; anything that is not one of the two spins goes on to the slider handling.
  wxObject* source = event.GetEventObject();
  if (source != spinAzimuth && source != spinElevation) {
    event.Skip();
    return;
  }
  // The up-down control writes its buddy without a text event, so its own notification stands in
  // for the edit change the arrows cause.
  if (syncing) return;
  if (source == spinAzimuth)
    SyncFromSpin(spinAzimuth, sliderAzimuth);
  else
    SyncFromSpin(spinElevation, sliderElevation);
}
