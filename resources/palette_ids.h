#pragma once
// String ids of the palette dialog's own texts (English and Russian in resources/palette_strings.cpp).
enum PaletteStringId {
  IDS_PAL_CAPTION = 32000,
  IDS_PAL_INPUT_HISTOGRAM = 32001,
  IDS_PAL_COLOR = 32002,
  IDS_PAL_INTERVAL = 32003,
  IDS_PAL_PALETTE = 32004,
  IDS_PAL_BINS = 32005,
  IDS_PAL_UPDATE = 32006,
  IDS_PAL_OUTPUT_HISTOGRAM = 32007,
  IDS_PAL_LOAD = 32008,
  IDS_PAL_SAVE = 32009,
  IDS_PAL_APPLY = 32010,
  IDS_PAL_CANCEL = 32011,
  IDS_PAL_MIN = 32012,
  IDS_PAL_MAX = 32013,
  IDS_PAL_REPLACE = 32014,
  IDS_PAL_SAVE_AS = 32015,  // titles of the file choosers
  IDS_PAL_OPEN = 32016,
  IDS_PAL_GDALDEM_FILES = 32017,  // file-type names of the colour tables in the choosers
  IDS_PAL_CPT_FILES = 32018,
  IDS_PAL_TABLE_ERROR = 32019,  // "Cannot read the colour table FILE: REASON"
  IDS_PAL_TABLE_LINE = 32020,   // "line N", before a reason
  IDS_PAL_TABLE_UNREADABLE = 32021,  // the reasons, in the order of lib3d::palette::TableProblem
  IDS_PAL_TABLE_NOT_REGULAR = 32022,
  IDS_PAL_TABLE_TOO_LARGE = 32023,
  IDS_PAL_TABLE_EXPECTED_ENTRY = 32024,
  IDS_PAL_TABLE_BAD_HEIGHT = 32025,
  IDS_PAL_TABLE_BAD_COLOUR = 32026,
  IDS_PAL_TABLE_BAD_HSV = 32027,
  IDS_PAL_TABLE_UNKNOWN_NAME = 32028,
  IDS_PAL_TABLE_EXPECTED_SLICE = 32029,
  IDS_PAL_TABLE_DESCENDING = 32030,
  IDS_PAL_TABLE_MODEL = 32031,
  IDS_PAL_TABLE_EMPTY = 32032,
};

// The host's own strings the dialog uses: the nine palette kinds in combo order, and the description
// of palette files.
constexpr int kPaletteKindStringIds[9] = {317, 269, 270, 271, 272, 296, 308, 309, 310};
constexpr int kPaletteFileStringId = 273;
