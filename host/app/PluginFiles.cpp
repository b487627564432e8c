#include "host/app/PluginFiles.h"

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>

#include "hostlib/HostLayout.h"

std::string plugin_dir(const CommandLine& cl) {
  return cl.pluginDir.empty() ? GetHostLayout().pluginDir : cl.pluginDir;
}

std::vector<std::string> plugin_files(const std::string& dir, std::vector<std::string>* errors) {
  std::vector<std::string> files;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) files.push_back(name);
    }
    ::closedir(d);
  } else if (errors) {
    errors->push_back("cannot read plug-in folder " + dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

void* FindPluginExport(const std::string& dir, const char* symbol, const std::string& ownLibrary, std::string* error) {
  std::vector<std::string> errors;
  std::vector<std::string> files = plugin_files(dir, &errors);
  const auto own = std::find(files.begin(), files.end(), ownLibrary);
  if (own != files.end()) std::rotate(files.begin(), own, own + 1);
  for (const std::string& name : files) {
    // The host's own library is linked with every symbol resolved, so it may be bound lazily:
    // binding all of its hundred-odd dependencies up front costs about 50 ms. Any other library
    // is bound at once, so that one lacking a symbol is skipped here instead of failing mid-run.
    const int binding = name == ownLibrary ? RTLD_LAZY : RTLD_NOW;
    void* lib = ::dlopen((dir + "/" + name).c_str(), binding | RTLD_LOCAL);
    if (!lib) continue;
    if (void* f = ::dlsym(lib, symbol)) return f;
  }
  if (error) *error = errors.empty() ? "no plug-in in " + dir + " can render a relief" : errors.front();
  return nullptr;
}
