#include "host/app/Batch.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "host/app/PluginFiles.h"
#include "hostlib/Paths.h"

namespace {

// Loading Mesa's rasteriser (libLLVM with it) for the offscreen display takes ~30 ms. Started on a
// thread before the renderer and GDAL are loaded, it overlaps with them; the renderer then finds
// the same display already initialised. Nothing here is needed for correctness: any failure is
// the renderer's to report.
void warm_up_offscreen_display() {
  void* egl = ::dlopen("libEGL.so.1", RTLD_LAZY | RTLD_LOCAL);
  if (!egl) return;
  auto query = reinterpret_cast<PFNEGLQUERYSTRINGPROC>(::dlsym(egl, "eglQueryString"));
  auto proc = reinterpret_cast<PFNEGLGETPROCADDRESSPROC>(::dlsym(egl, "eglGetProcAddress"));
  auto init = reinterpret_cast<PFNEGLINITIALIZEPROC>(::dlsym(egl, "eglInitialize"));
  const char* ext = query ? query(EGL_NO_DISPLAY, EGL_EXTENSIONS) : nullptr;
  if (!proc || !init || !ext || !std::strstr(ext, "EGL_MESA_platform_surfaceless")) return;
  auto display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(proc("eglGetPlatformDisplayEXT"));
  EGLDisplay d = display ? display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr) : EGL_NO_DISPLAY;
  if (d != EGL_NO_DISPLAY) init(d, nullptr, nullptr);
}

}  // namespace

// The texture's files into the request (`files` keeps them); false, having said why, when --texture
// is malformed.
static bool add_texture(const CommandLine& cl, std::string files[3], Lib3dRenderRequest& request) {
  if (cl.texture.empty()) return true;
  if (!split_texture(cl.texture, [](const std::string& p) { return IsFileExist(p.c_str()) != 0; }, files)) {
    std::fprintf(stderr, "relief3d-host: --texture takes FILE or RED,GREEN,BLUE\n");
    return false;
  }
  request.red = files[0].c_str();
  request.green = files[1].c_str();
  request.blue = files[2].c_str();
  return true;
}

int run_batch(const CommandLine& cl, const std::string& pluginDir) {
  std::thread warm(warm_up_offscreen_display);
#ifdef R3D_COVERAGE
  // Coverage builds end with exit(), whose teardown crashed under a thread still inside the driver.
  struct Joined {
    std::thread& t;
    ~Joined() { t.join(); }
  } joined{warm};
#else
  warm.detach();  // the process ends with _exit, threads or not
#endif
  std::string error;
  auto render = reinterpret_cast<Lib3dRenderFileFn>(FindPluginExport(pluginDir, "Lib3dRenderFile", "lib3d-render.so", &error));
  if (!render) {
    std::fprintf(stderr, "relief3d-host: %s\n", error.c_str());
    return kExitFailed;
  }
  Lib3dRenderRequest request = cl.view;
  request.relief = cl.relief.c_str();
  request.output = cl.snapshot.c_str();
  request.palette_file = cl.paletteFile.empty() ? nullptr : cl.paletteFile.c_str();
  std::string files[3];
  if (!add_texture(cl, files, request)) return kExitUsage;
  std::vector<char> probed(cl.probes.size() * 256 + 1);
  request.probes = cl.probes.data();
  request.probe_count = static_cast<int>(cl.probes.size() / 2);
  request.probe_text = probed.data();
  request.probe_text_size = probed.size();
  char message[1024] = {};
  const int status = render(&request, message, sizeof message);
  if (status != kExitOk) {
    std::fprintf(stderr, "relief3d-host: %s\n", message[0] ? message : "rendering failed");
    return status;
  }
  if (message[0]) std::fprintf(stderr, "relief3d-host: %s\n", message);  // a note on what was drawn
  if (request.turntable > 1)
    std::printf("relief3d-host: wrote %d pictures %s (%dx%d)\n", request.turntable, cl.snapshot.c_str(), request.width,
                request.height);
  else
    std::printf("relief3d-host: wrote %s (%dx%d)\n", cl.snapshot.c_str(), request.width, request.height);
  std::fputs(probed.data(), stdout);
  return kExitOk;
}

int run_describe(const CommandLine& cl, const std::string& pluginDir) {
  std::string error;
  auto describe = reinterpret_cast<Lib3dDescribeFileFn>(
      FindPluginExport(pluginDir, "Lib3dDescribeFile", "lib3d-render.so", &error));
  if (!describe) {
    std::fprintf(stderr, "relief3d-host: %s\n", error.c_str());
    return kExitFailed;
  }
  Lib3dRenderRequest request = cl.view;
  request.relief = cl.relief.c_str();
  std::string files[3];
  if (!add_texture(cl, files, request)) return kExitUsage;
  char text[4096] = {};
  const int status = describe(&request, text, sizeof text);
  if (status == kExitOk) std::fputs(text, stdout);
  else std::fprintf(stderr, "relief3d-host: %s\n", text);
  return status;
}
