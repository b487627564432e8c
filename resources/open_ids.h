#pragma once
// Control, string and image ids of the Open dialog.

namespace lib3d::open::ids {

// Controls.
enum : int {
  kInFile = 2738,
  kFactorX = 2739,
  kFactorY = 2740,
  kKeepProportions = 2741,
  kSizeLabel = 2742,
  kDrapeNote = 2743,
  kSingleEdit = 2702,
  kSingleButton = 2704,
  kTexture = 2706,
  kBlueEdit = 2707,
  kBlueButton = 2708,
  kGreenEdit = 2709,
  kGreenButton = 2710,
  kRedEdit = 2711,
  kRedButton = 2712,
  kRgb = 2713,
  kCancel = 2714,
  kOpen = 2715,
  kBandLabel = 2716,
  kBand = 2717,
  kOverviews = 2718,
  kHoles = 2719,
  kNodataLabel = 2720,
  kNodataValue = 2721,
};

// Icons of the "L" buttons: an open folder with a red, green, blue or grey sheet.
enum : int { kIconRed = 2760, kIconGreen = 2756, kIconBlue = 2754, kIconGrey = 2763 };

// Strings. 2797/2798 are shared with other dialogs of the host; the rest are the dialog's own.
enum : int {
  kStrWidth = 2797,
  kStrHeight = 2798,
  kStrCaption = 31000,
  kStrReliefGroup = 31001,
  kStrFactorGroup = 31002,
  kStrSizeX = 31003,
  kStrSizeY = 31004,
  kStrKeepProportions = 31005,
  kStrNewSize = 31006,
  kStrTexture = 31007,
  kStrRgb = 31008,
  kStrPick = 31009,
  kStrOpen = 31010,
  kStrCancel = 31011,
  kStrReadingGroup = 31012,
  kStrBand = 31013,
  kStrOverviews = 31014,
  kStrHoles = 31015,
  kStrNodataValue = 31016,
  kStrDrapeNote = 31017,  // %d x %d pixels of %s m
  kMsgInteger = 31020,
  kMsgIntegerRange = 31021,
  kMsgTooLarge = 31022,
  kMsgNumber = 31023,
};

}  // namespace lib3d::open::ids
