#include "dialogs/palette/PaletteEditor.h"

namespace lib3d {
namespace palette {

void PaletteEditor::initialise() {
  const int defaults[kMarkerCount] = {0, 255, 0, 255, 0, 255};
  for (int m = 0; m < kMarkerCount; ++m) markers[m] = defaults[m];
  committed.kind = static_cast<int>(PaletteKind::SolidColour);
  working.kind = static_cast<int>(PaletteKind::SolidColour);
}

void PaletteEditor::on_shown(const std::vector<std::uint32_t>& viewPalette) {
  // The view's palette may be shorter than 256 entries (or empty before anything was set): the rest
  // of the committed palette keeps what it had.
  for (std::size_t k = 0; k < 256 && k < viewPalette.size(); ++k) committed.finalPalette[k] = viewPalette[k];

  for (int m = 0; m < kMarkerCount; ++m) host_->erase_marker(m, markers[m]);
  const int values[kMarkerCount] = {committed.inMin,  committed.inMax,       committed.outMin,
                                    committed.outMax, committed.intervalMin, committed.intervalMax};
  for (int m = 0; m < kMarkerCount; ++m) markers[m] = clamp(values[m], 0, 255);
  writingEdits = true;
  for (int m = 0; m < kMarkerCount; ++m) host_->write_marker_edit(m, markers[m]);
  writingEdits = false;
  host_->show_bins_and_kind(committed.bins, committed.kind);
  for (int m = 0; m < kMarkerCount; ++m) host_->draw_marker(m, markers[m]);
  host_->draw_palette_strip();
  paletteSent = false;
}

void PaletteEditor::on_hidden() {
  dragMode = DragMode::None;
  if (paletteSent)
    host_->send_palette(std::vector<std::uint32_t>(committed.finalPalette.begin(), committed.finalPalette.end()));
}

void PaletteEditor::apply() { committed = working; }

void PaletteEditor::cancel() {
  if (paletteSent)
    host_->send_palette(std::vector<std::uint32_t>(committed.finalPalette.begin(), committed.finalPalette.end()));
  else
    working = committed;
}

void PaletteEditor::move_marker(int m, int v) {
  if (m < 0 || m >= kMarkerCount) return;
  if (markers[m] == v) return;
  host_->erase_marker(m, markers[m]);
  markers[m] = v;
  if (!writingEdits) host_->write_marker_edit(m, v);
  // Erasing may have bitten into the partner's triangle: draw both.
  const int low = m - m % 2;
  host_->draw_marker(low, markers[low]);
  host_->draw_marker(low + 1, markers[low + 1]);
  if (m <= OutMax) map_and_send();
}

void PaletteEditor::edit_changed(int m, const std::string& text) {
  if (m < 0 || m >= kMarkerCount) return;
  if (m <= OutMax && writingEdits) return;
  const int v = clamp(read_edit_integer(text), 0, 255);
  writingEdits = true;
  move_marker(m, v);
  writingEdits = false;
}

void PaletteEditor::fill_interval(int kind, const std::string& binsText) {
  working.kind = kind;
  const int lo = markers[IntervalMin];
  const int hi = markers[IntervalMax];
  const int count = hi - lo + 1;
  const int bins = limit_bins(read_edit_integer(binsText), count);
  working.bins = bins;
  const Palette256 base = build_base_palette(kind, working.editedPalette, lo, hi, swatchColor);
  palette::fill_interval(working.editedPalette, lo, hi, bins, base);
}

void PaletteEditor::update(int kind, const std::string& binsText) {
  fill_interval(kind, binsText);
  host_->draw_palette_strip();
  map_and_send();
}

void PaletteEditor::map_and_send() {
  working.inMin = markers[InMin];
  working.inMax = markers[InMax];
  working.outMin = markers[OutMin];
  working.outMax = markers[OutMax];
  working.intervalMin = markers[IntervalMin];
  working.intervalMax = markers[IntervalMax];
  paletteSent = true;
  working.finalPalette = map_levels(working.editedPalette, working.inMin, working.inMax, working.outMin,
                                    working.outMax);
  host_->send_palette(std::vector<std::uint32_t>(working.finalPalette.begin(), working.finalPalette.end()));
}

void PaletteEditor::paint_entry(int e) {
  if (e < 0 || e > 255) return;
  if (working.editedPalette[e] == swatchColor) return;
  host_->paint_entry_columns(e, swatchColor);
  working.editedPalette[e] = swatchColor;
  map_and_send();
}

void PaletteEditor::set_swatch(Colour c) {
  swatchColor = c & 0x00FFFFFFu;
  host_->draw_swatch();
}

void PaletteEditor::press_pair(int low, int v, bool limitEachOther) {
  const int high = low + 1;
  if (choose_high_marker(v, markers[low], markers[high])) {
    dragMarker = high;
    move_marker(high, clamp(v, limitEachOther ? markers[low] : 0, 255));
  } else {
    dragMarker = low;
    move_marker(low, clamp(v, 0, limitEachOther ? markers[high] : 255));
  }
}

PressResult PaletteEditor::mouse_down(int px, int py) {
  const int v = geometry.value_at(px);
  switch (geometry.hit(px, py)) {
    case Zone::Input:
      press_pair(InMin, v, true);
      dragMode = DragMode::InputRange;
      return PressResult::Capture;
    case Zone::Output:
      press_pair(OutMin, clamp(v, 0, 255), false);
      dragMode = DragMode::OutputRange;
      return PressResult::Capture;
    case Zone::Interval:
      press_pair(IntervalMin, v, true);
      dragMode = DragMode::Interval;
      return PressResult::Capture;
    case Zone::Strip:
      paint_entry(clamp(v, 0, 255));
      dragMode = DragMode::Paint;
      return PressResult::Capture;
    case Zone::Swatch:
      return PressResult::ChooseSwatch;
    case Zone::None:
      break;
  }
  return PressResult::Ignored;
}

void PaletteEditor::mouse_move(int px, int py) {
  const int v = geometry.value_at(px);
  switch (dragMode) {
    case DragMode::None:
      return;
    case DragMode::InputRange:
    case DragMode::Interval: {
      const int low = dragMode == DragMode::InputRange ? InMin : IntervalMin;
      if (dragMarker == low) move_marker(low, clamp(v, 0, markers[low + 1]));
      else move_marker(low + 1, clamp(v, markers[low], 255));
      return;
    }
    case DragMode::OutputRange:
      move_marker(dragMarker, clamp(v, 0, 255));
      return;
    case DragMode::Paint:
      paint_entry(clamp(v, 0, 255));
      return;
  }
}

bool PaletteEditor::mouse_up() {
  if (dragMode == DragMode::None) return false;
  dragMode = DragMode::None;
  return true;
}

void PaletteEditor::take_file(const PaletteFileData& data) {
  for (int m = 0; m < kMarkerCount; ++m) host_->erase_marker(m, markers[m]);
  const int values[4] = {data.inMin, data.inMax, data.outMin, data.outMax};
  for (int m = 0; m <= OutMax; ++m) {
    markers[m] = clamp(values[m], 0, 255);
    host_->write_marker_edit(m, markers[m]);
  }
  working.inMin = markers[InMin];
  working.inMax = markers[InMax];
  working.outMin = markers[OutMin];
  working.outMax = markers[OutMax];
  for (int m = 0; m < kMarkerCount; ++m) host_->draw_marker(m, markers[m]);
  for (int k = 0; k < 256; ++k) working.editedPalette[k] = data.palette[k] & 0x00FFFFFFu;
  host_->draw_palette_strip();
  map_and_send();
}

PaletteFileData PaletteEditor::file_data() const {
  PaletteFileData d;
  d.inMin = markers[InMin];
  d.inMax = markers[InMax];
  d.outMin = markers[OutMin];
  d.outMax = markers[OutMax];
  for (int k = 0; k < 256; ++k) d.palette[k] = working.editedPalette[k];
  return d;
}

}  // namespace palette
}  // namespace lib3d
