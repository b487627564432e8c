#pragma once
// The C library's locale follows the interface language, so that GTK's own dialogs and stock
// buttons (file and colour choosers, Cancel, message boxes) speak it too.
#include "hostlib/Export.h"
#include "hostlib/Resources.h"

// Switches the process locale (and gettext's LANGUAGE) to `language`, keeping LC_NUMERIC at "C" so
// that numbers keep their '.' everywhere. False when no locale of that language is installed: the
// system's dialogs then stay as they were.
BASEKIT_API bool SetProcessLanguage(ResourceLanguage language);
