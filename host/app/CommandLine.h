#pragma once
// The host program's command line: what to do, and every value checked before anything starts.
// Plain code: no toolkit, no file access, so that it runs without a display (and under a fuzzer).
#include <functional>
#include <string>
#include <vector>

#include "hostlib/RenderOptions.h"

enum class HostAction { Interactive, List, Help, Version, Snapshot, Info };

// Exit statuses of the program (batch rendering passes the module's own on, which agree).
enum HostExit : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitNoGraphics = 3 };

struct CommandLine {
  HostAction action = HostAction::Interactive;
  bool russian = false;  // the interface language
  std::string pluginDir;
  std::string relief;
  std::string texture;  // FILE or RED,GREEN,BLUE as given
  std::string snapshot;
  std::string paletteFile;
  std::vector<double> probes;  // picture pixels x0, y0, x1, y1, ... (--probe)
  // Numbers of the picture, within the ranges of RenderOptions.h; its string fields stay null here.
  Lib3dRenderRequest view;
  bool viewOptionGiven = false;  // any option that only a snapshot uses
  bool cameraGiven = false;      // --azimuth, --tilt, --zoom or --pan: the window's camera too
  bool lookGiven = false;        // --exaggeration or --light: the window's look too
  bool scaleZGiven = false;
  bool lightGiven = false;
  std::string error;             // non-empty: the command line is refused (exit 2)

  CommandLine() { lib3d_render_request_defaults(&view); }
};

// args[0] is the program. `environmentRussian`: the locale asks for Russian, which holds unless
// --lang says otherwise.
// Whether the locale asks for Russian, in the order the C library looks at the variables.
bool russian_from_environment();

CommandLine parse_command_line(const std::vector<std::string>& args, bool environmentRussian);

// The texture value as three channel files: one file (a single existing file wins even when its
// name holds commas) or three comma-separated ones. False when it is neither.
bool split_texture(const std::string& value, const std::function<bool(const std::string&)>& isFile,
                   std::string files[3]);

// The --help text, exit statuses included.
std::string usage_text();
