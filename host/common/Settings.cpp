#include "hostlib/Settings.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// A settings file is a few lines; anything past this is not read.
constexpr std::streamsize kMaxSettingsBytes = 64 * 1024;

std::string trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string settings_path() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/relief3d/settings";
  const char* home = std::getenv("HOME");
  if (!home || !*home) return std::string();
  return std::string(home) + "/.config/relief3d/settings";
}

}  // namespace

CString FindSetting(const CString& text, const char* key, const char* fallback) {
  CString found = fallback ? fallback : "";
  if (!key) return found;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::size_t eq = t.find('=');
    if (eq != std::string::npos && trim(t.substr(0, eq)) == key) found = trim(t.substr(eq + 1));
  }
  return found;
}

CString GetSetting(const char* key, const char* fallback) {
  const std::string path = settings_path();
  std::ifstream in(path, std::ios::binary);
  if (path.empty() || !in) return fallback ? fallback : "";
  std::string text(static_cast<std::size_t>(kMaxSettingsBytes), '\0');
  in.read(&text[0], kMaxSettingsBytes);
  text.resize(static_cast<std::size_t>(in.gcount()));
  return FindSetting(text, key, fallback);
}

bool SettingIsOff(const CString& value) {
  std::string v;
  for (char c : value) v += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return v == "off" || v == "no" || v == "false" || v == "0";
}
