#include "dialogs/tools/ToolHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

std::string ExaggerationText(double e) {
  if (!(e > 0) || !std::isfinite(e)) return "×—";
  char buf[32];
  std::snprintf(buf, sizeof buf, e >= 100 ? "×%.0f" : "×%.2g", e);
  return buf;
}

bool ParseExaggeration(const std::string& text, double& out) {
  std::string t = text;
  for (char& c : t)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (t.empty() || !end || *end != 0 || !(v >= 0.01 && v <= 1000)) return false;
  out = v;
  return true;
}

}  // namespace tools
