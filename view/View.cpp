#include "view/View.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <GL/gl.h>
#include <GL/glu.h>

#include <boost/bind/bind.hpp>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include "hostlib/Settings.h"
#include "view/GlxProbe.h"
#include "view/MouseDrag.h"
#include "render/Picking.h"
#include "render/ViewMath.h"

namespace lib3d {

namespace vm = viewmath;
using namespace boost::placeholders;

const char* View::p_class_name_ = nullptr;

namespace {


// wxGTK's wxGLCanvas has no default constructor: every constructor creates the window at once. The
// view is therefore born as a child of a hidden parking frame and moved to its real parent by
// Create. The parking frame goes as soon as it holds no view, so it never keeps the application
// from ending.
wxFrame* g_parking = nullptr;

wxWindow* parking_parent() {
  if (!g_parking) g_parking = new wxFrame(nullptr, wxID_ANY, "lib3d parking");
  return g_parking;
}

void release_parking() {
  if (g_parking && g_parking->GetChildren().empty()) {
    g_parking->Destroy();
    g_parking = nullptr;
  }
}

// Without GLX the canvas gets no attributes, so that wx refuses the visual without touching GLX.
// wx reports that refusal as an assertion, and under GTK's Wayland backend with a message box of
// its own; either would come before our message. Both are silenced until the constructor has run.
class SwallowDialogs : public wxModalDialogHook {
protected:
  int Enter(wxDialog*) override { return wxID_OK; }
  void Exit(wxDialog*) override {}
};
SwallowDialogs g_swallow_dialogs;
wxAssertHandler_t g_saved_assert_handler = nullptr;
bool g_asserts_silenced = false;

void restore_asserts() {
  if (!g_asserts_silenced) return;
  wxSetAssertHandler(g_saved_assert_handler);
  g_swallow_dialogs.Unregister();
  g_asserts_silenced = false;
}

wxGLAttributes choose_attributes() {
  if (!glx_available()) {
    if (!g_asserts_silenced) {
      g_saved_assert_handler = wxSetAssertHandler(nullptr);
      g_swallow_dialogs.Register();
    }
    g_asserts_silenced = true;
    return wxGLAttributes();
  }
  // RGBA, double buffered, with a depth buffer of at least 24 bits. GLX treats the depth as a
  // minimum; 32-bit depth visuals are rare on X servers (Xvfb and Mesa offer 24), so asking for 32
  // would fail where 24 works. 16 is the fallback for servers that have nothing deeper.
  wxGLAttributes attrs;
  attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
  if (wxGLCanvas::IsDisplaySupported(attrs)) return attrs;
  attrs.Reset();
  attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(16).EndList();
  if (wxGLCanvas::IsDisplaySupported(attrs)) return attrs;
  attrs.Reset();
  attrs.PlatformDefaults().Defaults().EndList();
  return attrs;
}

}  // namespace

View::View()
    : wxGLCanvas(parking_parent(), choose_attributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxFULL_REPAINT_ON_RESIZE, "lib3d"),
      notify_(&View::notify_dummy) {
  restore_asserts();
}

View::View(const std::vector<float>& matrix, std::size_t width, std::size_t height)
    : wxGLCanvas(parking_parent(), choose_attributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxFULL_REPAINT_ON_RESIZE, "lib3d"),
      notify_(&View::notify_dummy) {
  restore_asserts();
  // A matrix too short for its grid is refused here as in set_matrix: the view starts empty.
  doc_.set_heights(std::vector<float>(matrix), width, height);
}

View::~View() {
  renderer_.set_tile_notify({});
  drag_.reset();
  retired_drag_.reset();
  if (HasCapture()) ReleaseMouse();
  // Deleting the context takes display list 1 with it.
  context_.reset();
  if (!has(kCreated) && GetParent() == g_parking && g_parking) {
    // Leave the parking frame before it may go.
    g_parking->RemoveChild(this);
    release_parking();
  }
}

bool View::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                  const wxString& name) {
  if (has(kCreated) || !parent) return false;
  set(kCreated);
  const long full_style = style | wxFULL_REPAINT_ON_RESIZE;
  if (GetHandle()) {
    Reparent(parent);
    SetId(id);
    SetName(name);
    SetWindowStyleFlag(full_style);
    SetSize(pos.x, pos.y, size.x, size.y);
    Show();
    context_.reset(new wxGLContext(this));
    set(kGlOk, context_->IsOK());
    if (!has(kGlOk)) context_.reset();
  } else {
    // No usable visual: the window still exists, it just never draws. (The frame's pane id lies
    // above what window creation accepts; it is given afterwards, as on the drawing path.)
    wxWindow::Create(parent, wxID_ANY, pos, size, full_style, name);
    SetId(id);
  }
  release_parking();
  if (!has(kGlOk)) {
    wxMessageBox(wxString::FromUTF8("OpenGL"), wxString::FromUTF8("lib3d OpenGL view"),
                 wxOK | wxICON_EXCLAMATION, nullptr);
  }
  if (!GetHandle()) return false;

  // Users whose machines draw large grids fast enough (or who want the full surface while turning)
  // switch the coarse drags off in their settings file.
  renderer_.set_coarse_drags(!SettingIsOff(GetSetting("coarse-drags", "on")));

  const wxSize client = pixel_size();
  gl_viewport_[2] = client.x;
  gl_viewport_[3] = client.y;
  set(kViewportPending);

  Bind(wxEVT_PAINT, &View::OnPaint, this);
  Bind(wxEVT_ERASE_BACKGROUND, &View::OnEraseBkgnd, this);
  Bind(wxEVT_SIZE, &View::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &View::OnLButtonDown, this);
  // GTK turns a quick second press into a double click with no press of its own; it is a press.
  Bind(wxEVT_LEFT_DCLICK, &View::OnLButtonDown, this);
  Bind(wxEVT_RIGHT_DCLICK, &View::OnRButtonDown, this);
  Bind(wxEVT_LEFT_UP, &View::OnLButtonUp, this);
  Bind(wxEVT_RIGHT_DOWN, &View::OnRButtonDown, this);
  Bind(wxEVT_RIGHT_UP, &View::OnRButtonUp, this);
  Bind(wxEVT_MOTION, &View::OnMouseMove, this);
  Bind(wxEVT_MOUSE_CAPTURE_CHANGED, &View::OnCaptureChanged, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &View::OnCaptureLost, this);
  // Tiles are built on other threads; the picture is redrawn on this one, once for any number that
  // arrived meanwhile. (Queueing is thread-safe; an idle handler instead cost every paint 1.5 ms.)
  renderer_.set_tile_notify([this] {
    if (!tiles_arrived_.exchange(true)) CallAfter([this] {
      tiles_arrived_ = false;
      repaint_now();
    });
  });
  return true;
}

View* View::make(wxWindow* parent, const std::vector<float>& matrix, std::size_t width,
                 std::size_t height, const wxRect& rect) {
  // There is no class registration under GTK; the name stands for it so that callers can tell a
  // view was made, and it is set once.
  if (!p_class_name_) p_class_name_ = "lib3d::View";
  View* view = new View(matrix, width, height);
  view->Create(parent, wxID_ANY, rect.GetPosition(), rect.GetSize(), 0, "lib3d");
  return view;
}

// ---- context -------------------------------------------------------------------------------------

bool View::make_current() {
  if (!has(kGlOk) || !context_) return false;
  // Under GTK the context can only be bound to a realised window (SetCurrent asserts before); a
  // realised window that is hidden again still accepts it, which lets the frame's close delete the
  // list and lets setters compile while the frame is hidden.
  if (GetXWindow() == 0) return false;
  if (!context_->SetCurrent(*this)) return false;
  if (has(kDeletePending)) {
    renderer_.discard();
    set(kDeletePending, false);
  }
  if (has(kViewportPending)) {
    glViewport(gl_viewport_[0], gl_viewport_[1], gl_viewport_[2], gl_viewport_[3]);
    set(kViewportPending, false);
  }
  if (has(kCompilePending)) {
    set(kCompilePending, false);
    DrawScene();
  }
  return true;
}

bool View::has_surface() { return has(kSurface); }

void View::delete_surface() {
  set(kSurface, false);
  set(kCompilePending, false);
  set(kDeletePending);
  make_current();
}

// ---- surface -------------------------------------------------------------------------------------

void View::DrawScene() {
  renderer_.compile(scene(), progress_, has(kNewHeights));
  set(kNewHeights, false);
}

Scene View::scene() const { return scene_of(doc_, camera_, look_, cursor_x_, cursor_y_); }

// ---- paint ---------------------------------------------------------------------------------------

void View::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (has(kPainting)) return;
  // The content scale is known only once the window is realised, which may come after the last
  // size event.
  const wxSize px = pixel_size();
  if (px.x > 0 && px.y > 0 && (px.x != gl_viewport_[2] || px.y != gl_viewport_[3])) {
    gl_viewport_[2] = px.x;
    gl_viewport_[3] = px.y;
    set(kViewportPending);
  }
  if (make_current()) render(true);
}

void View::OnEraseBkgnd(wxEraseEvent&) {
  // The paint covers the whole client area; erasing first would only flicker.
}

void View::OnSize(wxSizeEvent& event) {
  const double f = GetContentScaleFactor();
  const wxSize s = event.GetSize() * f;
  const wxSize client = pixel_size();
  gl_viewport_[0] = 0;
  gl_viewport_[1] = 0;
  gl_viewport_[2] = client.x > 0 ? client.x : std::max(s.x, 0);
  gl_viewport_[3] = client.y > 0 ? client.y : std::max(s.y, 0);
  set(kViewportPending);
  make_current();
  event.Skip();
}

void View::repaint_now() {
  if (has(kPainting)) return;
  // Refresh()+Update() does not paint synchronously under GTK, so the setters draw directly.
  if (IsShownOnScreen() && make_current()) {
    render(true);
  } else {
    // Nothing can be drawn while the window is hidden, but the frame's readout reads the cursor
    // height right after set_cursor: store it by the same rule the marker uses.
    store_cursor_height();
  }
}

void View::store_cursor_height() {
  if (scene().cursor_on_grid()) cursor_height_ = doc_.heights[cursor_y_ * doc_.width + cursor_x_];
}

void View::render(bool present) {
  set(kPainting);
  const wxSize size = paint_size();
  const Renderer::Detail detail = present && has(kMoving) ? Renderer::Detail::Moving : Renderer::Detail::Full;
  const PaintResult r = renderer_.paint(scene(), size.x, size.y, detail);
  if (present) {
    last_paint_ = r;
    if (r.cursor_drawn) cursor_height_ = r.cursor_height;
    set(kCoarseShown, r.coarse);
    SwapBuffers();
    set(kPainted);
    if (detail_ && r.tiles_wanted > 0) detail_(r.tiles_wanted - r.tiles_missing, r.tiles_wanted);
  }
  set(kPainting, false);
}

wxImage View::read_last_frame() {
  if (!has(kPainted) || has(kPainting) || !make_current()) return wxImage();
  // The back buffer's content after a swap is undefined, so the frame is drawn again (without
  // presenting or storing anything) from the same state and read from there.
  render(false);
  glReadBuffer(GL_BACK);
  const wxSize size = paint_size();
  const Picture pic = Renderer::read_pixels(size.x, size.y);
  if (pic.rgb.empty()) return wxImage();
  wxImage image(pic.width, pic.height, false);
  std::memcpy(image.GetData(), pic.rgb.data(), pic.rgb.size());
  return image;
}

// ---- setters -------------------------------------------------------------------------------------

void View::set_matrix(const std::vector<float>& matrix, std::size_t width, std::size_t height) {
  set_matrix(std::vector<float>(matrix), width, height);
}

void View::set_matrix(std::vector<float>&& matrix, std::size_t width, std::size_t height) {
  set_relief(std::move(matrix), width, height, Georef(), false);
}

void View::set_relief(std::vector<float>&& matrix, std::size_t width, std::size_t height, const Georef& geo,
                      bool holes) {
  // A vector shorter than width x height would be read past its end by the compile and the marker;
  // it is refused and the previous relief stays.
  renderer_.stop_builds();  // no tile may be built from the grid that goes
  if (!doc_.set_heights(std::move(matrix), width, height)) return;
  doc_.geo = geo;
  doc_.holes = holes;
  doc_.drape = Drape();  // it lay on the ground of the relief that went
  set(kSurface);
  set(kNewHeights);
  set(kCompilePending);
  make_current();
  repaint_now();
}

void View::set_drape(Drape&& drape) {
  renderer_.stop_builds();
  doc_.drape = std::move(drape);
  ++doc_.drape_serial;
  doc_.colors.clear();
  set(kSurface);
  set(kCompilePending);
  make_current();
  repaint_now();
}

void View::set_color_matrix(const std::vector<std::uint32_t>& colors) {
  renderer_.stop_builds();
  doc_.drape = Drape();
  doc_.colors = colors;
  set(kSurface);
  set(kCompilePending);
  make_current();
}

void View::set_palette(const std::vector<std::uint32_t>& palette) {
  look_.palette = palette;
  if (has(kSurface)) {
    set(kCompilePending);
    make_current();
  }
  repaint_now();
}

std::vector<std::uint32_t> View::get_palette() const { return look_.palette; }

void View::set_scaleZ(float scale) {
  look_.scale_z = scale;
  repaint_now();
}

void View::set_lightPos(const void* lightSettings) {
  if (lightSettings) {
    light_record_ = *static_cast<const LightSettings*>(lightSettings);
    look_.light = vm::light_from_record(light_record_.words);
  }
  repaint_now();
}

void View::set_bgColor(std::uint32_t color) {
  if (color != 0) look_.bg_color = color;
  repaint_now();
}

void View::set_pan(double x, double y) {
  camera_.pan_x = static_cast<float>(x);
  camera_.pan_y = static_cast<float>(y);
  repaint_now();
}

void View::get_pan(double& x, double& y) {
  x = camera_.pan_x;
  y = camera_.pan_y;
}

void View::set_rotation(double tilt, double azimuth) {
  // NaN compares false both ways and would pass a plain clamp; it becomes 0.
  camera_.tilt = static_cast<float>(tilt >= 180.0 ? 180.0 : (tilt > 0.0 ? tilt : 0.0));
  camera_.azimuth = static_cast<float>(azimuth);
  repaint_now();
}

void View::get_rotation(double& tilt, double& azimuth) {
  tilt = camera_.tilt;
  azimuth = camera_.azimuth;
}

void View::zoom(bool in) { set_zoom_level(vm::zoom_step(camera_.zoom.level, in).level); }

void View::set_zoom_level(int level) {
  camera_.zoom = vm::zoom_for_level(level);
  repaint_now();
}

void View::set_manipulator_type(ManipulatorType type) { manipulator_type_ = type; }

ManipulatorType View::get_manipulator_type() const { return manipulator_type_; }

void View::set_cursor(std::size_t column, std::size_t row) {
  cursor_x_ = column;
  cursor_y_ = row;
  repaint_now();
  if (notify_) notify_(cursor_x_, cursor_y_);
}

void View::get_cursor(std::size_t& column, std::size_t& row) const {
  column = cursor_x_;
  row = cursor_y_;
}

void View::screen_to_cursor(double x, double y) {
  GLdouble ox = 0, oy = 0, oz = 0;
  const PaintResult& p = last_paint_;
  if (gluUnProject(x, p.viewport[3] - y - 1.0, 0.0, p.modelview, p.projection, p.viewport, &ox, &oy, &oz) ==
      GL_TRUE) {
    vm::pick_index(ox, doc_.width, cursor_x_);
    vm::pick_index(oy, doc_.height, cursor_y_);
  }
  set_cursor(cursor_x_, cursor_y_);
}

void View::pick_cursor(double x, double y) {
  if (!doc_.geo.mapped) return screen_to_cursor(x, y);
  std::size_t c = 0, r = 0;
  if (pick_surface(scene(), last_paint_, x, y, c, r)) set_cursor(c, r);
}

void View::set_cursor_notify(const CursorNotify& notify) {
  // An empty callable would throw when called; it disconnects the previous one instead.
  if (notify)
    notify_ = notify;
  else
    notify_ = &View::notify_dummy;
}

std::size_t View::get_width() const { return doc_.width; }
std::size_t View::get_height() const { return doc_.height; }

// ---- mouse ---------------------------------------------------------------------------------------

wxSize View::pixel_size() const {
  // Under a scaled desktop (GDK_SCALE, 200 %) window sizes and mouse positions are logical, while
  // the GL drawable has the device's pixels.
  const double f = GetContentScaleFactor();
  const wxSize c = GetClientSize();
  return wxSize(static_cast<int>(std::lround(c.x * f)), static_cast<int>(std::lround(c.y * f)));
}

double View::viewport_aspect() const { return vm::aspect_of(gl_viewport_[2], gl_viewport_[3]); }

void View::start_capture() {
  // A second capture by the window that holds it would nest in wx; the drag just goes on.
  if (!HasCapture()) CaptureMouse();
}

void View::end_drag() {
  // The drag may be ending from inside its own move (a callback that pumps events and loses the
  // capture); it is parked instead of destroyed so the running call stays valid.
  retired_drag_ = std::move(drag_);
  set(kMoving, false);
  if (has(kCoarseShown)) repaint_now();  // the still picture comes from the full surface
}

void View::OnLButtonDown(wxMouseEvent& event) {
  start_capture();
  const double aspect = viewport_aspect();
  const wxSize client = GetClientSize();
  const wxPoint p = event.GetPosition();
  if (manipulator_type_ == ManipulatorType::Pan) {
    vm::LinearMap mx, my;
    mx.scale = static_cast<double>(camera_.zoom.scale / static_cast<float>(std::max(client.x, 1))) * aspect;
    mx.offset = camera_.pan_x;
    my.scale = -static_cast<double>(camera_.zoom.scale / static_cast<float>(std::max(client.y, 1)));
    my.offset = camera_.pan_y;
    std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
    drag->set_target(boost::bind(&View::set_pan, this, _1, _2));
    retired_drag_ = std::move(drag_);
    drag_ = std::move(drag);
    set(kMoving);
  } else if (manipulator_type_ == ManipulatorType::Cursor) {
    // Picking works in the drawable's pixels; pointer offsets are logical.
    const double f = GetContentScaleFactor();
    vm::LinearMap mx{f, p.x * f}, my{f, p.y * f};
    std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
    drag->set_target(boost::bind(&View::pick_cursor, this, _1, _2));
    retired_drag_ = std::move(drag_);
    drag_ = std::move(drag);
    set(kMoving, false);
    drag_->move(p.x, p.y);
  }
  event.Skip();
}

void View::OnRButtonDown(wxMouseEvent& event) {
  start_capture();
  const wxPoint p = event.GetPosition();
  vm::LinearMap mx{0.5, camera_.azimuth}, my{-0.5, camera_.tilt};
  std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
  // The horizontal value is the azimuth, the vertical one the tilt: set_rotation takes them swapped.
  drag->set_target(boost::bind(&View::set_rotation, this, _2, _1));
  retired_drag_ = std::move(drag_);
  drag_ = std::move(drag);
  set(kMoving);
  event.Skip();
}

void View::OnLButtonUp(wxMouseEvent& event) {
  if (HasCapture()) ReleaseMouse();
  end_drag();
  event.Skip();
}

void View::OnRButtonUp(wxMouseEvent& event) { OnLButtonUp(event); }

void View::OnMouseMove(wxMouseEvent& event) {
  if (drag_) {
    const wxPoint p = event.GetPosition();
    drag_->move(p.x, p.y);
  }
  event.Skip();
}

void View::OnCaptureChanged(wxMouseCaptureChangedEvent& event) {
  if (event.GetCapturedWindow() != this) end_drag();
}

void View::OnCaptureLost(wxMouseCaptureLostEvent&) { end_drag(); }


}  // namespace lib3d
