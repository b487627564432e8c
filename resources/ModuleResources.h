#pragma once
// The module's resources (string tables and drawn images) as one ResourceModule that the load hook
// links into the host's chain. Each resource file adds its table or image loader at static
// initialisation through the registrars below.
#include <cstddef>
#include <wx/bitmap.h>

#include "hostlib/Resources.h"

namespace lib3d {

const ResourceModule* module_resources();

struct StringTableRegistrar {
  StringTableRegistrar(const ResourceString* table, std::size_t count);
};

using BitmapLoader = wxBitmap (*)(int id, int size);
struct BitmapLoaderRegistrar {
  explicit BitmapLoaderRegistrar(BitmapLoader loader);
};

// Links the module's resources into the host chain once (idempotent); used by the load hook and by
// tests that exercise the module without loading it as a plug-in.
void link_module_resources();
void unlink_module_resources();

}  // namespace lib3d
