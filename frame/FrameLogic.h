#pragma once
// The parts of the viewer frame that need no window: status texts, the help path, the toolbar's
// per-button style words and the command table shared by menu, toolbar and accelerators.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "resources/frame_ids.h"

namespace lib3d {

// Style bits of a toolbar button (the values the exported operations have always used).
constexpr std::uint32_t TBBS_PRESSED = 0x20000;
constexpr std::uint32_t TBBS_DISABLED = 0x40000;

// One style word per toolbar button. wx keeps "enabled" and "toggled" as separate flags with no
// style word, so the frame keeps the words here and mirrors them onto the bar.
class ToolbarStyles {
public:
  void add(int command) { styles_.emplace(command, 0u); }
  bool has(int command) const { return styles_.count(command) != 0; }
  // Unknown commands change nothing.
  void enable(int command, bool enable) { set_bit(command, TBBS_DISABLED, !enable); }
  void press(int command, bool press) { set_bit(command, TBBS_PRESSED, press); }
  // Unknown commands have no style word and therefore count as enabled (1).
  int is_enabled(int command) const { return (style(command) & TBBS_DISABLED) ? 0 : 1; }
  bool is_pressed(int command) const { return (style(command) & TBBS_PRESSED) != 0; }
  std::uint32_t style(int command) const {
    auto it = styles_.find(command);
    return it == styles_.end() ? 0u : it->second;
  }

private:
  void set_bit(int command, std::uint32_t bit, bool on) {
    auto it = styles_.find(command);
    if (it == styles_.end()) return;
    it->second = on ? (it->second | bit) : (it->second & ~bit);
  }
  std::map<int, std::uint32_t> styles_;
};

// A float as a default-configured output stream writes it: six significant digits, no trailing
// zeros, scientific notation only for very large or very small magnitudes.
std::string format_float(float value);

// Status part 0 after a height matrix: 1 / zoomScale * 100 in single precision, then "%".
std::string zoom_scale_text(float zoomScale);
// Status part 0 after a zoom command: the whole percentage, then "%".
std::string zoom_percent_text(int percent);

struct ReadoutSettings {
  std::uint64_t originX = 0;
  std::uint64_t originY = 0;
  std::uint64_t divisor = 0;
};

// Status part 1 for a cursor cell: "X, Y" with X = column / divisor + originX (and Y likewise), in
// unsigned 64-bit arithmetic. A divisor of 0 (a fresh frame, or set_origin(.., .., 0)) shows the
// indices undivided, as if it were 1. No text (nullopt) when either index is SIZE_MAX: there is no
// cursor and the status bar keeps what it shows.
std::optional<std::string> cursor_position_text(std::size_t column, std::size_t row,
                                                const ReadoutSettings& readout);

// The help file below the host's directory. The directory comes from the host's command line, which
// may carry the executable's path in double quotes; every '"' is turned into '*' and then every '*'
// is deleted, so asterisks that were there go as well. The book's relative location, written with
// backslashes on the original platform, uses '/' here.
std::string help_path_from_directory(const std::string& hostDirectory);
// The same, starting from a whole command line (through the host library's GetFilePathWOName).
std::string help_path_from_command_line(const char* commandLine);
// "<help file>::/<language tag>/<page>".
std::string help_topic_address(const std::string& helpPath, const std::string& languageTag,
                               const std::string& page);

constexpr const char* kHelpBookRelativePath = "/On-line Help/Zovire3DUvezIra.zez";

// The tooltip of a toolbar string: the text after the first newline (before it stands the
// status-bar prompt, which is empty). A text without a newline is the tooltip as a whole.
std::string tooltip_from_resource(const std::string& text);

}  // namespace lib3d
