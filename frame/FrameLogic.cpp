#include "frame/FrameLogic.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "hostlib/Paths.h"

namespace lib3d {

std::string format_float(float value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

std::string zoom_scale_text(float zoomScale) {
  // Single precision on purpose, in this order: 1 / 2.0 * 100 shows 50, 1 / 3.0 * 100 shows 33.3333.
  const float percent = 1.0f / zoomScale * 100.0f;
  return format_float(percent) + "%";
}

std::string zoom_percent_text(int percent) { return std::to_string(percent) + "%"; }

std::optional<std::string> cursor_position_text(std::size_t column, std::size_t row,
                                                const ReadoutSettings& readout) {
  if (column == SIZE_MAX || row == SIZE_MAX) return std::nullopt;
  const std::uint64_t divisor = readout.divisor == 0 ? 1 : readout.divisor;
  const std::uint64_t x = static_cast<std::uint64_t>(column) / divisor + readout.originX;
  const std::uint64_t y = static_cast<std::uint64_t>(row) / divisor + readout.originY;
  return std::to_string(x) + ", " + std::to_string(y);
}

std::string help_path_from_directory(const std::string& hostDirectory) {
  std::string path = hostDirectory + kHelpBookRelativePath;
  std::replace(path.begin(), path.end(), '"', '*');
  path.erase(std::remove(path.begin(), path.end(), '*'), path.end());
  return path;
}

std::string help_path_from_command_line(const char* commandLine) {
  return help_path_from_directory(GetFilePathWOName(commandLine ? commandLine : ""));
}

std::string help_topic_address(const std::string& helpPath, const std::string& languageTag,
                               const std::string& page) {
  return helpPath + "::/" + languageTag + page;
}

std::string tooltip_from_resource(const std::string& text) {
  const std::size_t nl = text.find('\n');
  return nl == std::string::npos ? text : text.substr(nl + 1);
}

}  // namespace lib3d
