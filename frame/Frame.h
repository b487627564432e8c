#pragma once
// lib3d::Frame: the viewer's top-level window (menu, dockable toolbar, four-part status bar and the
// OpenGL view in the client area). One per process, made by Frame::make.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <wx/aui/aui.h>
#include <wx/frame.h>

#include "frame/FrameLogic.h"
#include "frame/ViewCommand.h"
#include "hostlib/Export.h"
#include "hostlib/HostString.h"
#include "render/Renderer.h"
#include "terrain/Document.h"
#include "terrain/LoadError.h"

class C3DPaletteExDlg;
class CToolWinDlg;
class wxAuiToolBar;
class wxGauge;
class wxStatusBar;

namespace lib3d {

class View;

class LIB3D_API Frame : public wxFrame {
public:
  // The one viewer frame, created (hidden) on the first call. `parent` is ignored: the frame is
  // always a top-level window.
  static Frame* make(wxWindow* parent);
  // The frame made by make, or null before the first call.
  static Frame* instance();

  explicit Frame(bool destroyOnClose = false);
  ~Frame() override;

  // Creates the window with its menu, toolbar, accelerators and status bar. make does this; a
  // caller constructing its own frame calls it once.
  bool CreateFrameWindow();

  // Height matrix: releases the Pointer button, lays out the status bar, hands the matrix to the
  // view and writes the zoom into status part 0.
  void set_matrix(std::vector<float>& heights, std::size_t width, std::size_t height);
  // The camera of the command line: tilt and turn, a zoom step and the pan; writes the zoom into
  // status part 0 as the zoom buttons do.
  void set_camera(double tilt, double azimuth, int zoomLevel, double panX, double panY);
  // Exaggeration (0: leave) and light direction (azimuth -1: leave), through the tool window's pages.
  void set_look(double exaggeration, int lightAzimuth, int lightElevation);
  // Relief file reduced by the factors. When the file cannot be read (missing, not a raster, factor
  // 0, a grid too large for the memory left, ...) nothing changes: matrix, status bar and readout
  // stay as they are, and load_error() says why. Returns whether it loaded.
  bool set_matrix(const CString& path, std::size_t factorX, std::size_t factorY);
  // Colour words 0x00BBGGRR, passed unchanged to the view.
  void set_color_matrix(std::vector<std::uint32_t>& colors);
  // Texture from three channel files (the same path three times for one grey file). Nothing
  // changes when they cannot be read or their grid differs in size from the relief's (the relief
  // stays; load_error() says why). Returns whether it loaded.
  bool set_color_matrix(const CString& red, const CString& green, const CString& blue,
                        std::size_t factorX, std::size_t factorY, std::size_t component);

  void set_origin(std::size_t originX, std::size_t originY, std::size_t divisor);
  void set_status_text(const CString& text);
  // Lays out the four status parts (right edges 50, 200, 300 and the bar's width); the argument
  // has no effect.
  void show_progress_3D(bool show);

  void ToolBarEnableButton(int command, int enable);
  void ToolBarPressButton(int command, int press);
  int ToolBarIsButtonEnabled(int command);
  bool ToolBarIsButtonPressed(int command) const { return toolStyles_.is_pressed(command); }

  View* view() const { return view_; }
  C3DPaletteExDlg* palette_dialog() const { return paletteDlg_; }
  CToolWinDlg* tool_window() const { return toolWin_; }
  wxAuiToolBar* toolbar() const { return toolbar_; }
  const CString& help_path() const { return helpPath; }
  const ReadoutSettings& readout() const { return readout_; }
  // Why the last failed relief or texture load failed, in one line.
  std::string load_error() const { return loadError_.line(); }
  // How the reliefs opened from now on are read (band, overviews, holes); the Open dialog sets it.
  void set_relief_options(const ReliefOptions& options) { reliefOptions_ = options; }
  const ReliefOptions& relief_options() const { return reliefOptions_; }
  wxString status_text(int part) const;

  // Command handlers (public so that the host's automation and tests can drive them directly).
  void OnFileOpen();
  void OnButtonPlus();
  void OnButtonMinus();
  void OnButtonCursor();
  void OnButtonHelp();
  void OnButtonHist();
  void OnButtonTools();

  // The window's picture at width x height into `path` (PNG, JPEG or TIFF by its extension), drawn
  // offscreen as --snapshot draws it, whole or not at all; false with `error` when it cannot be.
  bool save_picture(const std::string& path, int width, int height, std::string& error,
                    const Renderer::Progress& progress = {});
  // What the window shows, as the command line would give it (the view's size; no picture file).
  ViewState view_state();
  // The relief3d-host command that draws the window's picture into `picture` (an edited palette is
  // written beside it as NAME.pal); empty, with `error`, when that file cannot be written.
  std::string view_command(const std::string& picture, std::string& error);
  void OnSavePicture();
  void OnCopyCommand();

  // The view's cursor callback: writes the cell and the height into status parts 1 and 2.
  void on_cursor_notify(std::size_t column, std::size_t row);
  // While a relief drawn from tiles still lacks some, part 3 counts them; then its text comes back.
  void on_detail_notify(std::size_t ready, std::size_t wanted);
  // Part 3's text: the map readout or a note on the relief (kept for later while tiles are counted).
  void show_note(const wxString& text);

  // The gauge in status part 3 that a relief or texture load advances (hidden otherwise), and a
  // callable told the gauge's value and range each time the gauge has been redrawn during a load.
  wxGauge* progress_gauge() const { return gauge_; }
  using ProgressNotify = std::function<void(int value, int range)>;
  void set_progress_notify(ProgressNotify notify) { progressNotify_ = std::move(notify); }

private:
  void build_menu();
  void build_toolbar();
  void build_accelerators();
  void build_status_bar();
  void build_help_path();
  void attach_view_and_companions();
  void mirror_tool(int command);
  void repaint_toolbar();
  void on_command(wxCommandEvent& event);
  void on_exit_command(wxCommandEvent& event);
  void on_close(wxCloseEvent& event);
  void hand_matrix(std::vector<float>&& heights, std::size_t width, std::size_t height, const Georef& geo, bool holes);
  // A load in progress: busy cursor and gauge from begin to end; show redraws the gauge at once
  // (no event is processed: the load runs on the user-interface thread).
  void begin_progress();
  void show_progress(int value);
  void end_progress();
  // Hides the floating panes with the frame (show false) or brings them back.
  void show_floating_panes(bool show);

  CString helpPath;
  bool destroyOnClose_;
  bool sharpening_ = false;
  ViewState loaded_;         // the relief and texture files as last loaded, with their options
  std::string lastPicture_;  // the last picture saved
  wxString beforeSharpening_;  // part 3's text when the count took it over
  wxAuiManager aui_;
  wxAuiToolBar* toolbar_ = nullptr;
  ToolbarStyles toolStyles_;
  wxStatusBar* statusBar_ = nullptr;
  wxGauge* gauge_ = nullptr;
  ProgressNotify progressNotify_;
  View* view_ = nullptr;
  C3DPaletteExDlg* paletteDlg_ = nullptr;
  CToolWinDlg* toolWin_ = nullptr;
  ReadoutSettings readout_;
  LoadError loadError_;
  ReliefOptions reliefOptions_;
  std::vector<wxWindow*> hiddenWithFrame_;  // floating panes hidden with the frame
};

}  // namespace lib3d
