#pragma once
// C3DPaletteExDlg: the modeless palette editor.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <wx/brush.h>
#include <wx/cursor.h>
#include <wx/dialog.h>

#include "dialogs/palette/PaletteEditor.h"

namespace lib3d { class View; }
class wxTextCtrl;
class wxChoice;
class CSpinButtonCtrl32;

class C3DPaletteExDlg : public wxDialog, private lib3d::palette::PaletteEditorHost {
public:
  // `parent` is the viewer frame, `view` the view whose palette is edited (not owned).
  C3DPaletteExDlg(wxWindow* parent, lib3d::View* view);
  ~C3DPaletteExDlg() override;
  // Creates the dialog window, hidden. Returns false when the window could not be created.
  bool Create();
  // The owner frame was minimised (true) or restored (false). Window managers minimise owned dialogs
  // with their owner without hiding them, so the hide and show handling runs from here instead; a
  // hidden dialog is left alone. Painted entries survive: no refill follows.
  void OwnerIconized(bool iconized);

  // Control ids of the dialog's template.
  enum {
    IDC_INPUT_LABEL = 2719, IDC_IN_MIN = 2720, IDC_IN_MAX = 2721, IDC_INPUT_STRIP = 2722,
    IDC_COLOR_LABEL = 2723, IDC_SWATCH = 2724, IDC_PALETTE_STRIP = 2725, IDC_OUTPUT_LABEL = 2726,
    IDC_OUT_MIN = 2727, IDC_OUT_MAX = 2728, IDC_KIND = 2729, IDC_KIND_LABEL = 2730,
    IDC_INTERVAL_LABEL = 2731, IDC_INTERVAL_MIN = 2732, IDC_INTERVAL_MAX = 2733, IDC_MAX_BUTTON = 2734,
    IDC_MIN_BUTTON = 2735, IDC_BINS_LABEL = 2736, IDC_BINS = 2737, IDC_UPDATE = 2716, IDC_LOAD = 2717,
    IDC_SAVE = 2718,
  };

  // The editor's state (read by tests and the screenshot tool).
  lib3d::palette::PaletteEditor& editor() { return editor_; }
  const lib3d::palette::Geometry& geometry() const { return editor_.geometry; }
  wxTextCtrl* marker_edit(int marker) const { return edits_[marker]; }
  wxTextCtrl* bins_edit() const { return binsEdit_; }
  wxChoice* kind_combo() const { return kind_; }

  // What Save and Load do once a file is chosen (the directory is remembered first). The extension
  // chooses the format: .pal the editor's own file, .cpt a GMT colour table, anything else a gdaldem
  // colour table; tables hold the palette the view shows at the heights of the view's relief. Load
  // returns false and changes nothing when the file cannot be read or does not hold a complete
  // palette or table; LoadChosenFile then shows why a table was refused (a .pal stays silent, as
  // it always has), LoadFromFile only hands the reason back in `problem`.
  bool SaveChosenFile(const std::string& path);  // remembers the directory, then saves
  bool LoadChosenFile(const std::string& path);
  bool SaveToFile(const std::string& path);
  bool LoadFromFile(const std::string& path, wxString* problem = nullptr);

  // Commands as the buttons run them.
  void OnUpdate(wxCommandEvent&);
  void OnLoad(wxCommandEvent&);
  void OnSave(wxCommandEvent&);
  void OnOK(wxCommandEvent&);
  void OnCancel(wxCommandEvent&);
  // The swatch's colour chooser.
  void ChooseSwatchColour();

private:
  void OnShowEvent(wxShowEvent&);
  void OnPaint(wxPaintEvent&);
  void OnLeftDown(wxMouseEvent&);
  void OnMotion(wxMouseEvent&);
  void OnLeftUp(wxMouseEvent&);
  void OnCaptureLost(wxMouseCaptureLostEvent&);
  void OnSetCursor(wxSetCursorEvent&);
  void OnEditText(wxCommandEvent&);
  void OnSpin(wxSpinEvent&);
  void OnMinMax(wxCommandEvent&);
  void OnClose(wxCloseEvent&);

  // PaletteEditorHost: immediate drawing through a client context, edits, the view.
  void erase_marker(int marker, int value) override;
  void draw_marker(int marker, int value) override;
  void write_marker_edit(int marker, int value) override;
  void show_bins_and_kind(int bins, int kind) override;
  void draw_palette_strip() override;
  void draw_swatch() override;
  void paint_entry_columns(int entry, lib3d::palette::Colour colour) override;
  void send_palette(const std::vector<std::uint32_t>& palette) override;

  bool CanDrawNow() const;
  int MarkerOfEdit(int id) const;

  wxWindow* parent_;
  lib3d::View* view_;
  lib3d::palette::PaletteEditor editor_;
  wxBrush eraseBrush_;
  wxCursor ibeamCursor_;
  bool overStrip_ = false;
  bool refillOnPaint_ = true;  // the next paint runs the interval fill
  wxTextCtrl* edits_[lib3d::palette::kMarkerCount] = {};
  wxTextCtrl* binsEdit_ = nullptr;
  wxChoice* kind_ = nullptr;
  CSpinButtonCtrl32* spins_[7] = {};
  // The no-data colour of the last colour table loaded: holes are not drawn, so it only goes back
  // into the tables saved after it.
  std::optional<std::uint32_t> noData_;
};
