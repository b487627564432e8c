#include "hostlib/HostLayout.h"

#include <sys/stat.h>
#include <unistd.h>

#include "hostlib/Paths.h"

namespace {

bool is_directory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

HostLayout ResolveHostLayout(const std::string& exeDir, bool (*isDir)(const std::string&)) {
  HostLayout layout;
  std::string dir = exeDir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const std::size_t sep = dir.find_last_of('/');
  if (sep != std::string::npos && dir.compare(sep + 1, std::string::npos, "bin") == 0) {
    const std::string prefix = dir.substr(0, sep);
    if (isDir(prefix + "/lib/relief3d/plugins")) {
      layout.pluginDir = prefix + "/lib/relief3d/plugins";
      layout.shareDir = prefix + "/share/relief3d";
      if (isDir(layout.shareDir + "/data")) layout.sampleDir = layout.shareDir + "/data";
      return layout;
    }
  }
  layout.pluginDir = dir + "/plugins";
  layout.shareDir = dir;
  return layout;
}

HostLayout GetHostLayout() {
  std::string dir = GetFilePathWOName(GetProcessCommandLine());
  if (!dir.empty() && dir[0] == '"') dir.erase(0, 1);
  return ResolveHostLayout(dir, &is_directory);
}

CString GetHostShareDir() { return GetHostLayout().shareDir; }
