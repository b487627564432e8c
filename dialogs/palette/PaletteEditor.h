#pragma once
// The palette editor's behaviour without its window: the committed and working records, the six live
// markers, sending to the view, Apply/Cancel, marker moves from edits and mouse, and painting entries.
// The dialog supplies the drawing and the view through PaletteEditorHost, so all of this runs in tests
// without a display.
#include <string>
#include <vector>

#include "colour/PaletteFile.h"
#include "colour/PaletteLogic.h"

namespace lib3d {
namespace palette {

enum class DragMode : int { None = 0, InputRange = 1, OutputRange = 2, Interval = 3, Paint = 4 };

// What the editor asks of its window.
class PaletteEditorHost {
public:
  virtual ~PaletteEditorHost() = default;
  virtual void erase_marker(int marker, int value) = 0;
  virtual void draw_marker(int marker, int value) = 0;
  // Writes `value` as decimal text into the marker's edit.
  virtual void write_marker_edit(int marker, int value) = 0;
  virtual void show_bins_and_kind(int bins, int kind) = 0;
  virtual void draw_palette_strip() = 0;
  virtual void draw_swatch() = 0;
  // Sets the two strip columns of entry `entry` to `colour` at once.
  virtual void paint_entry_columns(int entry, Colour colour) = 0;
  virtual void send_palette(const std::vector<std::uint32_t>& palette) = 0;
};

// What a left-button press asks the window to do next.
enum class PressResult { Ignored, Capture, ChooseSwatch };

class PaletteEditor {
public:
  explicit PaletteEditor(PaletteEditorHost* host) : host_(host) {}

  PaletteState committed;
  PaletteState working;
  int markers[kMarkerCount] = {0, 255, 0, 255, 0, 255};
  bool paletteSent = false;
  bool writingEdits = false;
  Colour swatchColor = 0x00FFFFFFu;
  DragMode dragMode = DragMode::None;
  int dragMarker = InMin;
  Geometry geometry;

  // Dialog initialisation: markers back to their defaults and SolidColour as the kind shown first.
  void initialise();
  // The dialog was shown: take the view's palette as the committed final palette, reset the controls
  // from `committed`.
  void on_shown(const std::vector<std::uint32_t>& viewPalette);
  // The dialog was hidden (whatever the cause): give the view back the committed palette if anything
  // was sent meanwhile.
  void on_hidden();
  void apply();   // before the dialog hides
  void cancel();  // before the dialog hides

  // Moves marker m to v (edits, mouse, files). Markers 0..3 resend the final palette.
  void move_marker(int m, int v);
  // Text of a marker's edit changed to `text`.
  void edit_changed(int m, const std::string& text);

  // Refills the palette interval from `kind` (the combo's selection) and the bins edit's text.
  void fill_interval(int kind, const std::string& binsText);
  // "Update": fill, redraw the strip, map and send.
  void update(int kind, const std::string& binsText);
  // Level mapping of the working record from the live markers, then the send.
  void map_and_send();
  // Sets entry e to the swatch colour (nothing when it already has it).
  void paint_entry(int e);
  void set_swatch(Colour c);

  PressResult mouse_down(int px, int py);
  void mouse_move(int px, int py);  // only acts while dragging
  bool mouse_up();                  // true when a drag ended (the capture is to be released)

  // Takes over what a palette file gave.
  void take_file(const PaletteFileData& data);
  PaletteFileData file_data() const;

private:
  void press_pair(int low, int v, bool limitEachOther);
  PaletteEditorHost* host_;
};

}  // namespace palette
}  // namespace lib3d
