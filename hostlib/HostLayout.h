#pragma once
// Where the host's own files are, found from the directory of the host executable (the first path
// of the process command line, by default /proc/self/exe), so that one binary runs from its build
// tree and from any installation prefix:
//   build tree  DIR/relief3d-host, DIR/plugins/, DIR/On-line Help/
//   installed   PREFIX/bin/relief3d-host, PREFIX/lib/relief3d/plugins/,
//               PREFIX/share/relief3d/On-line Help/, PREFIX/share/relief3d/data/
#include <string>

#include "hostlib/Export.h"
#include "hostlib/HostString.h"

struct HostLayout {
  std::string pluginDir;  // the plug-in modules (*.so)
  std::string shareDir;   // holds the help book's "On-line Help" folder
  std::string sampleDir;  // the sample rasters; empty when there are none
};

// The layout for an executable in `exeDir` (no trailing '/'); `isDir` tells whether a path is an
// existing directory. An installed tree is recognised by its lib/relief3d/plugins folder.
BASEKIT_API HostLayout ResolveHostLayout(const std::string& exeDir, bool (*isDir)(const std::string&));

// The layout of this process, from GetProcessCommandLine().
BASEKIT_API HostLayout GetHostLayout();
BASEKIT_API CString GetHostShareDir();
