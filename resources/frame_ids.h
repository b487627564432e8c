#pragma once
// Command and resource ids of the viewer frame, and the layout of its toolbar strip image.
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
  ID_SAVE_PICTURE_3D = 2770,  // menu only
  ID_COPY_COMMAND_3D = 2771,  // menu only
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

// Words of the map readout (cardinal letters and units).
enum FrameReadoutString : int {
  IDS_READOUT_NORTH = 30100,
  IDS_READOUT_SOUTH = 30101,
  IDS_READOUT_EAST = 30102,
  IDS_READOUT_WEST = 30103,
  IDS_READOUT_METRE = 30104,
  IDS_READOUT_FOOT = 30105,
  IDS_READOUT_SURVEY_FOOT = 30106,
  IDS_READOUT_NO_DATA = 30107,   // the height of a hole
  IDS_READOUT_VOID_NOTE = 30108, // a value that looks like a void: %g, %zu cells
  IDS_READOUT_HOLES = 30109,     // %zu cells of no data
  IDS_READOUT_TURNED = 30110,    // a rotated geotransform, drawn north-up
  IDS_READOUT_BAND = 30111,      // heights from band %d of %d
  IDS_STATUS_SHARPENING = 30112, // %zu of %zu tiles of a big relief drawn at full detail
  IDS_MENU_SAVE_PICTURE = 30120,
  IDS_MENU_COPY_COMMAND = 30121,
  IDS_PICTURE_TITLE = 30122,     // the Save Picture dialog: title, its labels, progress, failure
  IDS_PICTURE_FILE = 30123,
  IDS_PICTURE_BROWSE = 30124,
  IDS_PICTURE_WIDTH = 30125,
  IDS_PICTURE_HEIGHT = 30126,
  IDS_PICTURE_KEEP = 30127,
  IDS_PICTURE_DRAWING = 30128,
  IDS_PICTURE_FAILED = 30129,
  IDS_COMMAND_COPIED = 30130,
};

// Toolbar buttons in their order on the bar (also the order of the images in the strip).
constexpr int kToolbarCommands[7] = {ID_FILE_OPEN_3D, ID_ZOOM_IN_3D, ID_ZOOM_OUT_3D, ID_POINTER_3D,
                                     ID_PALETTE_3D,   ID_TOOLS_3D,   ID_HELP_3D};
constexpr int kToolbarImageWidth = 17;
constexpr int kToolbarImageHeight = 16;

}  // namespace lib3d
