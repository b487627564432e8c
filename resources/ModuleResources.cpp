#include "resources/ModuleResources.h"

#include <vector>

namespace lib3d {
namespace {

struct Registry {
  std::vector<const ResourceString*> tables;
  std::vector<std::size_t> sizes;
  std::vector<BitmapLoader> loaders;
  ResourceModule module;
  bool linked = false;
};

// Function-local so that registrars in other files may run first during static initialisation.
Registry& registry() {
  static Registry r;
  return r;
}

wxBitmap load_any_bitmap(int id, int size) {
  for (BitmapLoader loader : registry().loaders) {
    wxBitmap bmp = loader(id, size);
    if (bmp.IsOk()) return bmp;
  }
  return wxBitmap();
}

}  // namespace

StringTableRegistrar::StringTableRegistrar(const ResourceString* table, std::size_t count) {
  registry().tables.push_back(table);
  registry().sizes.push_back(count);
}

BitmapLoaderRegistrar::BitmapLoaderRegistrar(BitmapLoader loader) { registry().loaders.push_back(loader); }

const ResourceModule* module_resources() {
  Registry& r = registry();
  r.module.name = "lib3d";
  r.module.tables = r.tables.data();
  r.module.tableSizes = r.sizes.data();
  r.module.tableCount = r.tables.size();
  r.module.loadBitmap = &load_any_bitmap;
  return &r.module;
}

void link_module_resources() {
  if (registry().linked) return;
  LinkResourceModule(module_resources());
  registry().linked = true;
}

void unlink_module_resources() {
  if (!registry().linked) return;
  UnlinkResourceModule(module_resources());
  registry().linked = false;
}

}  // namespace lib3d
