#pragma once
// Writing a picture from the command line (--snapshot): no toolkit start, no display, no dialog.
#include <string>

#include "host/app/CommandLine.h"

// Renders through the plug-in in `pluginDir` that offers batch rendering; prints one line on
// failure and returns the exit status.
int run_batch(const CommandLine& cl, const std::string& pluginDir);

// Prints what the viewer derives from the relief (--info), through the same plug-in.
int run_describe(const CommandLine& cl, const std::string& pluginDir);
