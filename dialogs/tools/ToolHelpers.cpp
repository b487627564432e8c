#include "dialogs/tools/ToolHelpers.h"

#include <algorithm>

namespace tools {

std::string MakeHelpPath(const std::string& exeDir) {
  std::string path = exeDir + "/On-line Help/Zovire3DUvezIra.zez";
  std::replace(path.begin(), path.end(), '"', '*');
  path.erase(std::remove(path.begin(), path.end(), '*'), path.end());
  return path;
}

std::string MakeToolsHelpAddress(const std::string& helpPath, const std::string& languageTag) {
  return helpPath + "::/" + languageTag + "/PanelTools.htm";
}

void PushCustomColor(std::uint32_t (&slots)[kCustomColorCount], int& next, std::uint32_t color) {
  if (next < 0 || next >= kCustomColorCount) next = 0;
  slots[next] = color;
  next = (next + 1) % kCustomColorCount;
}

}  // namespace tools
