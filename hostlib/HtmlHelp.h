#pragma once
#include "hostlib/Export.h"

enum { HH_DISPLAY_TOPIC = 0 };

// Opens `address` ("<help file>::/<topic>") in the host's help viewer. Returns non-zero when the
// viewer was shown. The help file is a zip of HTML pages with a .hhp project.
BASEKIT_API int HtmlHelpA(void* owner, const char* address, unsigned command, unsigned long data);

// For tests: when set, HtmlHelpA only records the address and calls `hook` instead of opening a window.
using HtmlHelpHook = void (*)(const char* address, unsigned command);
BASEKIT_API void SetHtmlHelpHook(HtmlHelpHook hook);
