#pragma once
// lib3d::View: the OpenGL child window that shows a relief.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <boost/function.hpp>
#include <wx/glcanvas.h>

#include "hostlib/Export.h"
#include "view/LightSettings.h"
#include "render/Renderer.h"
#include "render/Scene.h"

class wxImage;

namespace lib3d {

enum class ManipulatorType : int { Pan = 0, Cursor = 1 };

class MouseDrag;
class Frame;

class LIB3D_API View : public wxGLCanvas {
public:
  using CursorNotify = boost::function2<void, std::size_t, std::size_t>;

  View();
  View(const std::vector<float>& matrix, std::size_t width, std::size_t height);
  ~View() override;

  // Creates the window (two-step creation after either constructor) and its OpenGL context.
  bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "lib3d");

  static View* make(wxWindow* parent, const std::vector<float>& matrix, std::size_t width,
                    std::size_t height, const wxRect& rect);

  void set_matrix(const std::vector<float>& matrix, std::size_t width, std::size_t height);
  // Takes the caller's matrix instead of copying it (a loader's grid), so that only one is held.
  void set_matrix(std::vector<float>&& matrix, std::size_t width, std::size_t height);
  // The same for a relief read from a file, drawn where its georeferencing puts it (a matrix set
  // through set_matrix keeps the bare grid's geometry).
  // NaN cells are then holes (`holes`), drawn nowhere and never picked.
  void set_relief(std::vector<float>&& matrix, std::size_t width, std::size_t height, const Georef& geo,
                  bool holes = false);
  const Georef& georef() const { return doc_.geo; }
  // The finite height range of the relief.
  float min_height() const { return doc_.min; }
  float max_height() const { return doc_.max; }
  // The Z scale that draws the relief at its true height (exaggeration 1); 0 without georeferencing.
  double true_scale_z() const { return lib3d::true_scale_z(doc_.geo, doc_.max - doc_.min, doc_.width, doc_.height); }
  void set_color_matrix(const std::vector<std::uint32_t>& colors);
  // An image laid over the relief's ground at its own resolution, in place of any colour matrix
  // (a new relief or a colour matrix drops it).
  void set_drape(Drape&& drape);
  bool draped() const { return !doc_.drape.empty(); }
  void set_palette(const std::vector<std::uint32_t>& palette);
  std::vector<std::uint32_t> get_palette() const;
  void set_scaleZ(float scale);
  void set_lightPos(const void* lightSettings);  // a LightSettings record
  void set_bgColor(std::uint32_t color);
  void set_pan(double x, double y);
  void get_pan(double& x, double& y);
  void set_rotation(double tilt, double azimuth);
  void get_rotation(double& tilt, double& azimuth);
  void zoom(bool in);
  void set_zoom_level(int level);  // where zoom() steps would lead: ..., -3, -2, 1, 2, ...
  void set_manipulator_type(ManipulatorType type);
  ManipulatorType get_manipulator_type() const;
  void set_cursor(std::size_t column, std::size_t row);
  void get_cursor(std::size_t& column, std::size_t& row) const;
  void screen_to_cursor(double x, double y);
  // The pointer's pick (drawable pixels): for a relief drawn in map geometry the cell of the surface
  // under the point, which a point on the background does not move; otherwise screen_to_cursor.
  void pick_cursor(double x, double y);
  void set_cursor_notify(const CursorNotify& notify);
  std::size_t get_width() const;
  std::size_t get_height() const;

  // What the frame reads.
  float zoom_scale() const { return camera_.zoom.scale; }
  int zoom_level() const { return camera_.zoom.level; }
  // The light record last given (the starting light's until then).
  const LightSettings& light_record() const { return light_record_; }
  int zoom_percent() const { return camera_.zoom.percent; }
  float cursor_height() const { return cursor_height_; }
  std::uint32_t bg_color() const { return look_.bg_color; }
  float scale_z() const { return look_.scale_z; }
  const float* light_pos() const { return look_.light.pos; }

  // Display list 1 exists (the surface is compiled).
  bool has_surface();
  // Deletes display list 1 if it exists (the frame's close). Works while the window is hidden.
  void delete_surface();
  // The picture of the last paint, read back from the GL buffer (invalid image when nothing was drawn).
  wxImage read_last_frame();

  // Told how far a surface compile has come (for a progress gauge); empty to stop.
  void set_compile_progress(const Renderer::Progress& progress) { progress_ = progress; }
  // Told after each presented frame of a relief drawn from tiles how many of the tiles it wants are
  // there (ready of wanted); the view sharpens as the rest arrive.
  void set_detail_notify(std::function<void(std::size_t ready, std::size_t wanted)> notify) { detail_ = std::move(notify); }
  // Whether camera drags of large grids show a coarser surface until the button is released.
  void set_coarse_drags(bool on) { renderer_.set_coarse_drags(on); }
  bool coarse_drags() const { return renderer_.coarse_drags(); }
  // The renderer drawing into this view's context (its timings and drag tuning).
  Renderer& renderer() { return renderer_; }
  // What the last presented frame left (its matrices, and for a tiled relief its tile counts).
  const PaintResult& last_paint() const { return last_paint_; }
  // The state a paint draws, borrowing the view's arrays (valid until the next setter).
  Scene scene() const;
  // The same without the pointer's marker: what a picture of the view shows.
  Scene picture_scene() const { return scene_of(doc_, camera_, look_); }

  // The window class name the first make registered; null before any make.
  static const char* class_name() { return p_class_name_; }

protected:
  void DrawScene();

  void OnPaint(wxPaintEvent& event);
  void OnEraseBkgnd(wxEraseEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnLButtonDown(wxMouseEvent& event);
  void OnLButtonUp(wxMouseEvent& event);
  void OnRButtonDown(wxMouseEvent& event);
  void OnRButtonUp(wxMouseEvent& event);
  void OnMouseMove(wxMouseEvent& event);
  void OnCaptureChanged(wxMouseCaptureChangedEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);

private:
  static void notify_dummy(std::size_t, std::size_t) {}
  static const char* p_class_name_;

  // Makes the context current when the window system allows it and then carries out what had to
  // wait for that moment (viewport, list deletion, compile). False while it cannot.
  bool make_current();
  // The synchronous repaint of every setter.
  void repaint_now();
  // One frame; `present` false renders without swapping and without storing anything (for
  // read-back).
  void render(bool present);
  // The viewport the paint fills, in pixels.
  wxSize paint_size() const { return wxSize(gl_viewport_[2], gl_viewport_[3]); }
  void store_cursor_height();
  void start_capture();
  void end_drag();
  double viewport_aspect() const;
  // The client area in the drawable's pixels (client size times the content scale).
  wxSize pixel_size() const;

  // What is drawn: the relief, the camera, the look and the cursor cell.
  Document doc_;
  Camera camera_;
  Look look_;
  LightSettings light_record_ = [] {
    LightSettings l;  // the words of Look's starting light
    l.words[LightSettings::kAmbient] = 30, l.words[LightSettings::kDiffuse] = 70, l.words[LightSettings::kSpecular] = 20;
    return l;
  }();
  std::size_t cursor_x_ = SIZE_MAX, cursor_y_ = SIZE_MAX;
  float cursor_height_ = 0.0f;

  std::unique_ptr<MouseDrag> drag_;
  std::unique_ptr<MouseDrag> retired_drag_;  // the last drag ended, kept until the next one ends
  ManipulatorType manipulator_type_ = ManipulatorType::Pan;
  CursorNotify notify_;
  // The last presented frame's matrices, for picking.
  PaintResult last_paint_;

  Renderer renderer_;
  Renderer::Progress progress_;
  std::function<void(std::size_t, std::size_t)> detail_;
  std::atomic<bool> tiles_arrived_{false};  // a repaint for built tiles is queued
  std::unique_ptr<wxGLContext> context_;
  int gl_viewport_[4] = {0, 0, 0, 0};  // what OnSize set (or will set) as the viewport

  // The window's state, one bit each. The context can be current only once the window is
  // realised, so work that needs it waits as a pending bit until make_current can run it.
  enum Flag : unsigned {
    kCreated = 1u << 0,          // Create has run
    kGlOk = 1u << 1,             // canvas and context were created
    kSurface = 1u << 2,          // list 1 exists, or will as soon as the context can be current
    kCompilePending = 1u << 3,   // list 1 must be (re)compiled at the next make_current
    kDeletePending = 1u << 4,    // a list compiled earlier must go at the next make_current
    kViewportPending = 1u << 5,  // the size changed while the context could not be current
    kPainting = 1u << 6,         // a paint is running (re-entry guard)
    kPainted = 1u << 7,          // a frame has been presented
    kMoving = 1u << 8,           // a camera drag is in progress: paints may be coarse
    kCoarseShown = 1u << 9,      // the last presented frame came from the coarse list
    kNewHeights = 1u << 10,      // the pending compile has new heights, not only new colours
  };
  unsigned flags_ = kViewportPending;
  bool has(Flag f) const { return (flags_ & f) != 0; }
  void set(Flag f, bool on = true) { flags_ = on ? (flags_ | f) : (flags_ & ~static_cast<unsigned>(f)); }
};

}  // namespace lib3d
