#pragma once
// The parts of the viewer frame that need no window: status texts, the help path, the toolbar's
// per-button style words and the command table shared by menu, toolbar and accelerators.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace lib3d {

// Command ids (menu, toolbar, accelerators and the exported toolbar operations).
enum FrameCommand : int {
  ID_FILE_OPEN_3D = 2765,
  ID_ZOOM_IN_3D = 2748,
  ID_ZOOM_OUT_3D = 2747,
  ID_POINTER_3D = 2749,
  ID_PALETTE_3D = 2750,
  ID_TOOLS_3D = 2751,
  ID_HELP_3D = 2752,
};

// Resource ids of the frame.
enum FrameResource : int {
  IDR_FRAME_3D = 2746,     // toolbar strip image
  IDS_TITLE_3D = 2755,     // window title (leading blank)
  IDI_VIEWER_3D = 2757,    // colour icon
  IDI_VIEWER_3D_GREY = 2758,
  IDS_HELP_LANG_3D = 2759,  // language folder in the help book ("Eng" / "Rus")
  IDS_CAPTION_3D = 2761,
  IDS_SHORT_CAPTION_3D = 2764,
};

// Private string ids of the menu texts.
enum FrameMenuString : int {
  IDS_MENU_FILE = 30000,
  IDS_MENU_OPEN = 30001,
  IDS_MENU_EXIT = 30002,
  IDS_MENU_MODE = 30003,
  IDS_MENU_ZOOM_IN = 30004,
  IDS_MENU_ZOOM_OUT = 30005,
  IDS_MENU_IMAGE = 30006,
  IDS_MENU_PALETTE = 30007,
  IDS_MENU_ANALYSIS = 30008,
  IDS_MENU_POINTER = 30009,
  IDS_MENU_TOOLS_POPUP = 30010,
  IDS_MENU_TOOLS = 30011,
};

// Toolbar buttons in their order on the bar (also the order of the images in the strip).
constexpr int kToolbarCommands[7] = {ID_FILE_OPEN_3D, ID_ZOOM_IN_3D, ID_ZOOM_OUT_3D, ID_POINTER_3D,
                                     ID_PALETTE_3D,   ID_TOOLS_3D,   ID_HELP_3D};
constexpr int kToolbarImageWidth = 17;
constexpr int kToolbarImageHeight = 16;

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
