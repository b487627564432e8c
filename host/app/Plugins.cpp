#include "host/app/Plugins.h"

#include <dlfcn.h>

#include <cstring>

#include "host/app/PluginFiles.h"

namespace {

std::string text_query(GetModuleInfoFn info, int module, int query) {
  char buf[512] = {};
  if (!info(module, query, buf, sizeof buf - 1)) return std::string();
  return std::string(buf, strnlen(buf, sizeof buf - 1));
}

const wxIcon* icon_query(GetModuleInfoFn info, int module, int query) {
  void* handle = nullptr;
  if (!info(module, query, &handle, sizeof handle)) return nullptr;
  return static_cast<const wxIcon*>(handle);
}

}  // namespace

std::vector<Tool> LoadPlugins(const std::string& dir, std::vector<std::string>* errors, bool icons) {
  std::vector<Tool> tools;
  for (const std::string& name : plugin_files(dir, errors)) {
    const std::string path = dir + "/" + name;
    void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
      if (errors) errors->push_back(std::string("cannot load ") + path + ": " + ::dlerror());
      continue;
    }
    auto num = reinterpret_cast<GetNumModulsFn>(::dlsym(lib, "GetNumModuls"));
    auto info = reinterpret_cast<GetModuleInfoFn>(::dlsym(lib, "GetModuleInfo"));
    auto function = reinterpret_cast<GetModuleFunctionFn>(::dlsym(lib, "GetModuleFunction"));
    if (!num || !info || !function) {
      // The command-line renderer shares the folder; it has no tools and is no error.
      if (::dlsym(lib, "Lib3dRenderFile")) continue;
      if (errors) errors->push_back(path + " is not a tool module");
      continue;  // stays loaded: a library's load hook may already have linked resources
    }
    auto openFiles = reinterpret_cast<OpenFilesFn>(::dlsym(lib, "Lib3dOpenFiles"));
    auto setCamera = reinterpret_cast<SetCameraFn>(::dlsym(lib, "Lib3dSetCamera"));
    auto setLook = reinterpret_cast<SetLookFn>(::dlsym(lib, "Lib3dSetLook"));
    auto setReliefOptions = reinterpret_cast<SetReliefOptionsFn>(::dlsym(lib, "Lib3dSetReliefOptions"));
    const int count = num();
    for (int i = 0; i < count && i < 1000; ++i) {
      Tool t;
      t.library = path;
      t.index = i;
      t.caption = text_query(info, i, 3);
      t.shortCaption = text_query(info, i, 5);
      t.icon = icons ? icon_query(info, i, 1) : nullptr;
      t.greyIcon = icons ? icon_query(info, i, 2) : nullptr;
      t.entry = reinterpret_cast<ToolEntryFn>(function(i));
      t.openFiles = openFiles;
      t.setCamera = setCamera;
      t.setLook = setLook;
      t.setReliefOptions = setReliefOptions;
      if (t.entry) tools.push_back(t);
    }
  }
  return tools;
}
