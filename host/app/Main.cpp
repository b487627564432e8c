// relief3d-host: loads the plug-in modules, lists their tools and runs the one the user picks. With
// --relief and --snapshot it renders one picture offscreen and exits. This file links no toolkit:
// --help, --version, a bad command line and batch rendering are answered without one (and without
// a display); everything that shows a window runs in the host's UI library, loaded on demand.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/app/Batch.h"
#include "host/app/CommandLine.h"
#include "host/app/PluginFiles.h"
#include "hostlib/HostLayout.h"

namespace {

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
  return args;
}

bool has_display() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

// The UI library lies beside the plug-in folder: bin/ in a build tree, lib/relief3d/ installed.
int run_ui(const char* entryName, int argc, char** argv) {
  std::string dir = GetHostLayout().pluginDir;
  dir.erase(dir.find_last_of('/'));
  const std::string path = dir + "/relief3d-ui.so";
  // Global: the plug-ins it loads use the host library it brings.
  void* ui = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_GLOBAL);
  using UiMain = int (*)(int, char**);
  auto entry = ui ? reinterpret_cast<UiMain>(::dlsym(ui, entryName)) : nullptr;
  if (!entry) {
    std::fprintf(stderr, "relief3d-host: cannot load %s: %s\n", path.c_str(), ui ? "no entry point" : ::dlerror());
    return kExitFailed;
  }
  return entry(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine cl = parse_command_line(arguments(argc, argv), russian_from_environment());
  if (!cl.error.empty()) {
    std::fprintf(stderr, "relief3d-host: %s (see --help)\n", cl.error.c_str());
    return kExitUsage;
  }
  switch (cl.action) {
    case HostAction::Help: std::fputs(usage_text().c_str(), stdout); return kExitOk;
    case HostAction::Version: std::printf("relief3d-host %s\n", R3D_VERSION); return kExitOk;
    case HostAction::Snapshot: {
      const int status = run_batch(cl, plugin_dir(cl));
      // The picture is in place: the GL driver's and GDAL's teardown would only delay the exit.
      std::fflush(nullptr);
#ifdef R3D_COVERAGE
      std::exit(status);  // every library writes its counts from its exit handlers, which _exit skips
#endif
      ::_exit(status);
    }
    case HostAction::Info: return run_describe(cl, plugin_dir(cl));
    case HostAction::List: return run_ui("Relief3dHostList", argc, argv);
    default: break;
  }
  if (!has_display()) {
    std::fprintf(stderr, "relief3d-host: no display to open a window on (set DISPLAY, or write a picture with --snapshot)\n");
    return kExitNoGraphics;
  }
  return run_ui("Relief3dHostUi", argc, argv);
}
