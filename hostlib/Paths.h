#pragma once
#include "hostlib/Export.h"
#include "hostlib/HostString.h"

// The process command line as the host started it: the executable's absolute path in double
// quotes, then the arguments, separated by blanks (like the platform's command-line string).
BASEKIT_API const char* GetProcessCommandLine();
// For tests and embedders: replaces what GetProcessCommandLine returns.
BASEKIT_API void SetProcessCommandLine(const char* commandLine);

// The directory of the first path on `commandLine` (quotes kept as they stand), without file name
// and without trailing separator. Both '/' and '\\' count as separators.
BASEKIT_API CString GetFilePathWOName(const char* commandLine);
BASEKIT_API int IsFileExist(const char* path);  // non-zero for an existing regular file

// Remembered directories, stored under the user's configuration directory
// ($XDG_CONFIG_HOME or ~/.config)/relief3d/lastdirs. Keys look like "\\Viewer\\Palette".
BASEKIT_API CString GetLastDir(const char* key);
BASEKIT_API void SetLastDir(const char* dir, const char* key);
