#include "host/app/Batch.h"

#include <cstdio>

#include "host/app/PluginFiles.h"
#include "hostlib/Paths.h"

int run_batch(const CommandLine& cl, const std::string& pluginDir) {
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
  if (!cl.texture.empty()) {
    if (!split_texture(cl.texture, [](const std::string& p) { return IsFileExist(p.c_str()) != 0; }, files)) {
      std::fprintf(stderr, "relief3d-host: --texture takes FILE or RED,GREEN,BLUE\n");
      return kExitUsage;
    }
    request.red = files[0].c_str();
    request.green = files[1].c_str();
    request.blue = files[2].c_str();
  }
  char message[1024] = {};
  const int status = render(&request, message, sizeof message);
  if (status != kExitOk) {
    std::fprintf(stderr, "relief3d-host: %s\n", message[0] ? message : "rendering failed");
    return status;
  }
  std::printf("relief3d-host: wrote %s (%dx%d)\n", cl.snapshot.c_str(), request.width, request.height);
  return kExitOk;
}
