#pragma once
// The user's settings file: ($XDG_CONFIG_HOME or ~/.config)/relief3d/settings, one "key = value"
// a line; blank lines and lines starting with '#' are ignored. The file is only read, never written.
#include "hostlib/Export.h"
#include "hostlib/HostString.h"

// The value of `key` (blanks around it removed); `fallback` when the file or the key is missing.
BASEKIT_API CString GetSetting(const char* key, const char* fallback);
// The same lookup in a file's text; the last line naming the key wins.
BASEKIT_API CString FindSetting(const CString& text, const char* key, const char* fallback);
// Whether a value switches something off: "off", "no", "false" or "0", in any case.
BASEKIT_API bool SettingIsOff(const CString& value);
