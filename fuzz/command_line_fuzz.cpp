// libFuzzer target: the host program's command-line parser on arbitrary arguments (the input split
// at NUL bytes). Whatever it accepts must be within the ranges rendering relies on; whatever it
// refuses must come with one short line.
// Built from host/app/CommandLine.cpp alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"relief3d-host"};
  std::string cur;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(cur);
      cur.clear();
    } else {
      cur += static_cast<char>(data[i]);
    }
  }
  args.push_back(cur);
  const CommandLine cl = parse_command_line(args, size % 2 == 1);
  if (!cl.error.empty()) {
    if (cl.error.find('\n') != std::string::npos || cl.error.size() > 300) std::abort();
    return 0;
  }
  const Lib3dRenderRequest& v = cl.view;
  if (v.factor_x < 1 || v.factor_x > 1000 || v.factor_y < 1 || v.factor_y > 1000) std::abort();
  if (v.width < 1 || v.width > 16384 || v.height < 1 || v.height > 16384) std::abort();
  if (!(v.tilt >= 0 && v.tilt <= 180) || !(v.scale_z >= 0.01 && v.scale_z <= 1)) std::abort();
  if (v.azimuth != v.azimuth || v.pan_x != v.pan_x || v.pan_y != v.pan_y) std::abort();
  if (v.zoom_level == 0 || v.zoom_level == -1) std::abort();
  if (v.light_azimuth < 0 || v.light_azimuth > 360 || v.light_elevation < 0 || v.light_elevation > 90) std::abort();
  for (int p : {v.ambient, v.diffuse, v.specular})
    if (p < 0 || p > 100) std::abort();
  if (v.background > 0xFFFFFFu || v.base_palette < -1 || v.base_palette > 8) std::abort();
  if (cl.action == HostAction::Snapshot && (cl.relief.empty() || cl.snapshot.empty())) std::abort();
  if (cl.viewOptionGiven && cl.action == HostAction::Interactive) std::abort();
  // A value is never an option: none of the kept strings may start with "--" unless given as
  // --name=--value, which puts the option and its value in one argument.
  for (const std::string* s : {&cl.relief, &cl.snapshot, &cl.texture, &cl.paletteFile, &cl.pluginDir})
    if (s->compare(0, 2, "--") == 0) {
      bool joined = false;
      for (const std::string& a : args)
        if (a.size() > s->size() && a.compare(a.size() - s->size(), s->size(), *s) == 0 && a[a.size() - s->size() - 1] == '=')
          joined = true;
      if (!joined) std::abort();
    }
  return 0;
}
