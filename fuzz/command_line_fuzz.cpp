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
  if (!lib3d::request_problem(cl.view, false).empty()) std::abort();  // what the module would refuse
  if (!cl.snapshot.empty() && !lib3d::picture_format(cl.snapshot)) std::abort();
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
