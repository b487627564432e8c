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
#include "render/ViewMath.h"

namespace lib3d {

namespace vm = viewmath;
using namespace boost::placeholders;

const char* View::p_class_name_ = nullptr;

namespace {

// Whether `size` floats can hold a width x height grid (without the product overflowing).
bool grid_fits(std::size_t size, std::size_t width, std::size_t height) {
  if (width != 0 && height > SIZE_MAX / width) return false;
  return size >= width * height;
}

// Clears a flag when the scope ends, also on an early return.
class FlagGuard {
public:
  explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

private:
  bool& flag_;
};

}  // namespace

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
  if (grid_fits(matrix.size(), width, height)) {
    matrix_ = matrix;
    width_ = width;
    height_ = height;
    set_range_from_matrix();
  }
}

View::~View() {
  drag_.reset();
  retired_drag_.reset();
  if (HasCapture()) ReleaseMouse();
  // Deleting the context takes display list 1 with it.
  context_.reset();
  if (!created_ && GetParent() == g_parking && g_parking) {
    // Leave the parking frame before it may go.
    g_parking->RemoveChild(this);
    release_parking();
  }
}

bool View::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                  const wxString& name) {
  if (created_ || !parent) return false;
  created_ = true;
  const long full_style = style | wxFULL_REPAINT_ON_RESIZE;
  if (GetHandle()) {
    Reparent(parent);
    SetId(id);
    SetName(name);
    SetWindowStyleFlag(full_style);
    SetSize(pos.x, pos.y, size.x, size.y);
    Show();
    context_.reset(new wxGLContext(this));
    gl_ok_ = context_->IsOK();
    if (!gl_ok_) context_.reset();
  } else {
    // No usable visual: the window still exists, it just never draws. (The frame's pane id lies
    // above what window creation accepts; it is given afterwards, as on the drawing path.)
    wxWindow::Create(parent, wxID_ANY, pos, size, full_style, name);
    SetId(id);
  }
  release_parking();
  if (!gl_ok_) {
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
  viewport_pending_ = true;

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
  if (!gl_ok_ || !context_) return false;
  // Under GTK the context can only be bound to a realised window (SetCurrent asserts before); a
  // realised window that is hidden again still accepts it, which lets the frame's close delete the
  // list and lets setters compile while the frame is hidden.
  if (GetXWindow() == 0) return false;
  if (!context_->SetCurrent(*this)) return false;
  if (delete_pending_) {
    renderer_.discard();
    delete_pending_ = false;
  }
  if (viewport_pending_) {
    glViewport(gl_viewport_[0], gl_viewport_[1], gl_viewport_[2], gl_viewport_[3]);
    viewport_pending_ = false;
  }
  if (compile_pending_) {
    compile_pending_ = false;
    DrawScene();
  }
  return true;
}

bool View::has_surface() { return surface_; }

void View::delete_surface() {
  surface_ = false;
  compile_pending_ = false;
  delete_pending_ = true;
  make_current();
}

// ---- surface -------------------------------------------------------------------------------------

void View::set_range_from_matrix() {
  const vm::Range r = vm::finite_range(matrix_.data(), width_ * height_);
  min_ = r.min;
  max_ = r.max;
}

void View::DrawScene() { renderer_.compile(scene(), progress_); }

Scene View::scene() const {
  Scene s;
  s.heights = matrix_.data();
  s.width = width_;
  s.height = height_;
  s.min = min_;
  s.max = max_;
  s.colors = color_matrix_.data();
  s.color_count = color_matrix_.size();
  s.palette = palette_.data();
  s.palette_count = palette_.size();
  s.pan_x = pan_x_;
  s.pan_y = pan_y_;
  s.tilt = rotation_x_;
  s.azimuth = rotation_z_;
  s.zoom_scale = zoom_scale_;
  s.scale_z = scale_z_;
  s.bg_color = bg_color_;
  std::copy(light_pos_, light_pos_ + 3, s.light_pos);
  s.ambient = ambient_;
  s.diffuse = diffuse_;
  s.specular = specular_;
  s.cursor_x = cursor_x_;
  s.cursor_y = cursor_y_;
  return s;
}

// ---- paint ---------------------------------------------------------------------------------------

void View::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (painting_) return;
  // The content scale is known only once the window is realised, which may come after the last
  // size event.
  const wxSize px = pixel_size();
  if (px.x > 0 && px.y > 0 && (px.x != gl_viewport_[2] || px.y != gl_viewport_[3])) {
    gl_viewport_[2] = px.x;
    gl_viewport_[3] = px.y;
    viewport_pending_ = true;
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
  viewport_pending_ = true;
  make_current();
  event.Skip();
}

void View::repaint_now() {
  if (painting_) return;
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
  if (scene().cursor_on_grid()) cursor_height_ = matrix_[cursor_y_ * width_ + cursor_x_];
}

void View::render(bool present) {
  FlagGuard guard(painting_);
  const wxSize size = paint_size();
  const Renderer::Detail detail = present && moving_ ? Renderer::Detail::Moving : Renderer::Detail::Full;
  const PaintResult r = renderer_.paint(scene(), size.x, size.y, detail);
  if (!present) return;
  std::copy(r.viewport, r.viewport + 4, viewport_);
  std::copy(r.projection, r.projection + 16, projection_);
  std::copy(r.modelview, r.modelview + 16, modelview_);
  if (r.cursor_drawn) cursor_height_ = r.cursor_height;
  coarse_shown_ = r.coarse;
  SwapBuffers();
  painted_ = true;
}

wxImage View::read_last_frame() {
  if (!painted_ || painting_ || !make_current()) return wxImage();
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
  if (grid_fits(matrix.size(), width, height)) set_matrix(std::vector<float>(matrix), width, height);
}

void View::set_matrix(std::vector<float>&& matrix, std::size_t width, std::size_t height) {
  // A vector shorter than width x height would be read past its end by the compile and the marker;
  // it is refused and the previous relief stays.
  if (!grid_fits(matrix.size(), width, height)) return;
  matrix_ = std::move(matrix);
  width_ = width;
  height_ = height;
  set_range_from_matrix();
  surface_ = true;
  compile_pending_ = true;
  make_current();
  repaint_now();
}

void View::set_color_matrix(const std::vector<std::uint32_t>& colors) {
  color_matrix_ = colors;
  surface_ = true;
  compile_pending_ = true;
  make_current();
}

void View::set_palette(const std::vector<std::uint32_t>& palette) {
  palette_ = palette;
  if (surface_) {
    compile_pending_ = true;
    make_current();
  }
  repaint_now();
}

std::vector<std::uint32_t> View::get_palette() const { return palette_; }

void View::set_scaleZ(float scale) {
  scale_z_ = scale;
  repaint_now();
}

void View::set_lightPos(const void* lightSettings) {
  if (lightSettings) {
    const vm::Light l = vm::light_from_record(static_cast<const LightSettings*>(lightSettings)->words);
    std::copy(l.pos, l.pos + 3, light_pos_);
    ambient_ = l.ambient;
    diffuse_ = l.diffuse;
    specular_ = l.specular;
  }
  repaint_now();
}

void View::set_bgColor(std::uint32_t color) {
  if (color != 0) bg_color_ = color;
  repaint_now();
}

void View::set_pan(double x, double y) {
  pan_x_ = static_cast<float>(x);
  pan_y_ = static_cast<float>(y);
  repaint_now();
}

void View::get_pan(double& x, double& y) {
  x = pan_x_;
  y = pan_y_;
}

void View::set_rotation(double tilt, double azimuth) {
  // NaN compares false both ways and would pass a plain clamp; it becomes 0.
  rotation_x_ = static_cast<float>(tilt >= 180.0 ? 180.0 : (tilt > 0.0 ? tilt : 0.0));
  rotation_z_ = static_cast<float>(azimuth);
  repaint_now();
}

void View::get_rotation(double& tilt, double& azimuth) {
  tilt = rotation_x_;
  azimuth = rotation_z_;
}

void View::zoom(bool in) { set_zoom_level(vm::zoom_step(zoom_level_, in).level); }

void View::set_zoom_level(int level) {
  const vm::Zoom z = vm::zoom_for_level(level);
  zoom_level_ = z.level;
  zoom_scale_ = z.scale;
  zoom_percent_ = z.percent;
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
  if (gluUnProject(x, viewport_[3] - y - 1.0, 0.0, modelview_, projection_, viewport_, &ox, &oy,
                   &oz) == GL_TRUE) {
    vm::pick_index(ox, width_, cursor_x_);
    vm::pick_index(oy, height_, cursor_y_);
  }
  set_cursor(cursor_x_, cursor_y_);
}

void View::set_cursor_notify(const CursorNotify& notify) {
  // An empty callable would throw when called; it disconnects the previous one instead.
  if (notify)
    notify_ = notify;
  else
    notify_ = &View::notify_dummy;
}

std::size_t View::get_width() const { return width_; }
std::size_t View::get_height() const { return height_; }

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
  moving_ = false;
  if (coarse_shown_) repaint_now();  // the still picture comes from the full surface
}

void View::OnLButtonDown(wxMouseEvent& event) {
  start_capture();
  const double aspect = viewport_aspect();
  const wxSize client = GetClientSize();
  const wxPoint p = event.GetPosition();
  if (manipulator_type_ == ManipulatorType::Pan) {
    vm::LinearMap mx, my;
    mx.scale = static_cast<double>(zoom_scale_ / static_cast<float>(std::max(client.x, 1))) * aspect;
    mx.offset = pan_x_;
    my.scale = -static_cast<double>(zoom_scale_ / static_cast<float>(std::max(client.y, 1)));
    my.offset = pan_y_;
    std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
    drag->set_target(boost::bind(&View::set_pan, this, _1, _2));
    retired_drag_ = std::move(drag_);
    drag_ = std::move(drag);
    moving_ = true;
  } else if (manipulator_type_ == ManipulatorType::Cursor) {
    // Picking works in the drawable's pixels; pointer offsets are logical.
    const double f = GetContentScaleFactor();
    vm::LinearMap mx{f, p.x * f}, my{f, p.y * f};
    std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
    drag->set_target(boost::bind(&View::screen_to_cursor, this, _1, _2));
    retired_drag_ = std::move(drag_);
    drag_ = std::move(drag);
    moving_ = false;
    drag_->move(p.x, p.y);
  }
  event.Skip();
}

void View::OnRButtonDown(wxMouseEvent& event) {
  start_capture();
  const wxPoint p = event.GetPosition();
  vm::LinearMap mx{0.5, rotation_z_}, my{-0.5, rotation_x_};
  std::unique_ptr<MouseDrag> drag(new MouseDrag(p.x, p.y, mx, my));
  // The horizontal value is the azimuth, the vertical one the tilt: set_rotation takes them swapped.
  drag->set_target(boost::bind(&View::set_rotation, this, _2, _1));
  retired_drag_ = std::move(drag_);
  drag_ = std::move(drag);
  moving_ = true;
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
