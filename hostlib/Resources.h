#pragma once
// The host's resource chain: string tables and images of the host and of every loaded module, in
// English and Russian. A module links its resources into the chain when it is loaded and unlinks
// them when it is unloaded; lookups search the most recently linked module first.
#include <cstddef>
#include <wx/bitmap.h>

#include "hostlib/Export.h"
#include "hostlib/HostString.h"

enum class ResourceLanguage { English = 1033, Russian = 1049 };

struct ResourceString {
  int id;
  const char* english;  // UTF-8
  const char* russian;  // UTF-8
};

// A module's resources: any number of string tables and an image loader.
struct ResourceModule {
  const char* name = "";
  const ResourceString* const* tables = nullptr;  // tables[i] has tableSizes[i] entries
  const std::size_t* tableSizes = nullptr;
  std::size_t tableCount = 0;
  // Draws image `id` at `size` pixels (icons are square; a toolbar strip may be wider).
  // Returns an invalid bitmap when the module has no such image.
  wxBitmap (*loadBitmap)(int id, int size) = nullptr;
};

BASEKIT_API void LinkResourceModule(const ResourceModule* module);
BASEKIT_API void UnlinkResourceModule(const ResourceModule* module);

BASEKIT_API ResourceLanguage GetResourceLanguage();
BASEKIT_API void SetResourceLanguage(ResourceLanguage language);

// The text of string `id` in the current language, searching the chain; empty when no module has it.
BASEKIT_API CString GetResourceString(int id);
// Whether any linked module holds string `id`.
BASEKIT_API bool HasResourceString(int id);
// Image `id` from the first module in the chain that has it; invalid bitmap when none does.
BASEKIT_API wxBitmap FindResourceBitmap(int id, int size);

// Host string ids: the nine palette kind names (combo order 317, 269, 270, 271, 272, 296, 308, 309,
// 310) and 273, the palette-file description. They live in the host's own table.
