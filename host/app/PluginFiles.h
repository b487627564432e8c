#pragma once
// The plug-in folder without the toolkit: which libraries it holds, and the one that offers a given
// export. The batch path and the window path both start here.
#include <string>
#include <vector>

#include "host/app/CommandLine.h"

// The plug-in folder: --plugins, else the one beside the host's executable.
std::string plugin_dir(const CommandLine& cl);

// The *.so files of `dir`, sorted by name; a folder that cannot be read adds a line to `errors`.
std::vector<std::string> plugin_files(const std::string& dir, std::vector<std::string>* errors);

// The first plug-in in `dir` that exports `symbol`, `ownLibrary` (a file name) tried first, then
// the others by file name; loaded and kept loaded. Null with `error` set when none does. Loads no
// tool list and no icons, so it needs no display.
void* FindPluginExport(const std::string& dir, const char* symbol, const std::string& ownLibrary, std::string* error);
