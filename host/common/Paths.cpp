// Process command line, path helpers and remembered directories.
#include "hostlib/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string& command_line() {
  static std::string s;
  return s;
}
bool& command_line_set() {
  static bool b = false;
  return b;
}

std::string executable_path() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

const char* GetProcessCommandLine() {
  if (!command_line_set()) {
    command_line() = "\"" + executable_path() + "\"";
    command_line_set() = true;
  }
  return command_line().c_str();
}

void SetProcessCommandLine(const char* commandLine) {
  command_line() = commandLine ? commandLine : "";
  command_line_set() = commandLine != nullptr;
}

CString GetFilePathWOName(const char* commandLine) {
  if (!commandLine) return CString();
  const std::string s(commandLine);
  // The first path ends at its closing quote when it starts with one, else at the first blank.
  std::size_t end;
  if (!s.empty() && s[0] == '"') {
    end = s.find('"', 1);
    if (end == std::string::npos) end = s.size();
  } else {
    end = s.find_first_of(" \t");
    if (end == std::string::npos) end = s.size();
  }
  const std::size_t sep = s.find_last_of("/\\", end == 0 ? 0 : end - 1);
  if (sep == std::string::npos || sep >= end) return CString();
  return s.substr(0, sep);
}

int IsFileExist(const char* path) {
  if (!path || !*path) return 0;
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}

// --- remembered directories ---------------------------------------------------------------------
// File format: a first line "relief3d-lastdirs 1", then one "key<TAB>dir" line per key, with '\\',
// TAB and newline in keys and directories written as "\\\\", "\\t" and "\\n". A file whose first
// line differs, or a line that does not parse, counts as corrupt: nothing in it is trusted.
namespace {

const char kHeader[] = "relief3d-lastdirs 1";

std::string config_dir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::string();
    base = std::string(home) + "/.config";
  }
  return base + "/relief3d";
}

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

bool unescape(const std::string& s, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      *out += s[i];
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
      case '\\': *out += '\\'; break;
      case 't': *out += '\t'; break;
      case 'n': *out += '\n'; break;
      default: return false;
    }
  }
  return true;
}

std::map<std::string, std::string> load_dirs(const std::string& file) {
  std::map<std::string, std::string> dirs;
  std::ifstream in(file, std::ios::binary);
  if (!in) return dirs;
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return dirs;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    std::string key, dir;
    if (tab == std::string::npos || !unescape(line.substr(0, tab), &key) ||
        !unescape(line.substr(tab + 1), &dir))
      return {};
    dirs[key] = dir;
  }
  return dirs;
}

bool make_dirs(const std::string& path) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      const std::string part = path.substr(0, pos);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

}  // namespace

CString GetLastDir(const char* key) {
  const std::string dir = config_dir();
  if (!key || dir.empty()) return CString();
  const auto dirs = load_dirs(dir + "/lastdirs");
  const auto it = dirs.find(key);
  return it == dirs.end() ? CString() : it->second;
}

void SetLastDir(const char* dir, const char* key) {
  const std::string cfg = config_dir();
  if (!key || !dir || cfg.empty() || !make_dirs(cfg)) return;
  const std::string file = cfg + "/lastdirs";
  auto dirs = load_dirs(file);
  dirs[key] = dir;
  std::ostringstream text;
  text << kHeader << '\n';
  for (const auto& [k, v] : dirs) text << escape(k) << '\t' << escape(v) << '\n';
  const std::string body = text.str();

  // Write a sibling file and rename it over the old one, so that a crash never leaves half a file.
  std::string tmpl = file + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  bool ok = ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok || std::rename(name.data(), file.c_str()) != 0) ::unlink(name.data());
}
