#pragma once
// lib3d::View: the OpenGL child window that shows a relief.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <boost/function.hpp>
#include <wx/glcanvas.h>

#include "hostlib/Export.h"
#include "view/LightSettings.h"

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
  void set_color_matrix(const std::vector<std::uint32_t>& colors);
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
  void set_manipulator_type(ManipulatorType type);
  ManipulatorType get_manipulator_type() const;
  void set_cursor(std::size_t column, std::size_t row);
  void get_cursor(std::size_t& column, std::size_t& row) const;
  void screen_to_cursor(double x, double y);
  void set_cursor_notify(const CursorNotify& notify);
  std::size_t get_width() const;
  std::size_t get_height() const;

  // What the frame reads.
  float zoom_scale() const { return zoom_scale_; }
  int zoom_percent() const { return zoom_percent_; }
  float cursor_height() const { return cursor_height_; }
  std::uint32_t bg_color() const { return bg_color_; }
  float scale_z() const { return scale_z_; }
  const float* light_pos() const { return light_pos_; }

  // Display list 1 exists (the surface is compiled).
  bool has_surface();
  // Deletes display list 1 if it exists (the frame's close). Works while the window is hidden.
  void delete_surface();
  // The picture of the last paint, read back from the GL buffer (invalid image when nothing was drawn).
  wxImage read_last_frame();

protected:
  void DrawScene();
  // ... message handlers and private state are declared by the implementation.
};

}  // namespace lib3d
