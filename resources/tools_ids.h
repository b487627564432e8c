#pragma once
// String ids of the tool window and its pages (texts in resources/tools_strings.cpp).
enum ToolStringId {
  IDS_TOOLS_TAB_SCALE = 2769,
  IDS_TOOLS_TAB_LIGHTING = 2770,
  IDS_TOOLS_TAB_BACKGROUND = 2771,
  IDS_TOOLS_LANGUAGE_TAG = 2759,  // "Eng" / "Rus", the help book's folder; owned by the frame's table

  IDS_TOOLS_CAPTION = 33000,
  IDS_TOOLS_APPLY = 33001,
  IDS_TOOLS_HELP = 33002,
  IDS_TOOLS_CLOSE = 33003,
  IDS_TOOLS_SCALE_GROUP = 33010,
  IDS_TOOLS_AZIMUTH = 33020,
  IDS_TOOLS_ELEVATION = 33021,
  IDS_TOOLS_AMBIENT = 33022,
  IDS_TOOLS_DIFFUSE = 33023,
  IDS_TOOLS_SPECULAR = 33024,
  IDS_TOOLS_CHOOSE_COLOR = 33030,
};
