#include "hostlib/Resources.h"

#include <algorithm>
#include <vector>

namespace {

struct Chain {
  std::vector<const ResourceModule*> modules;  // front = most recently linked
  ResourceLanguage language = ResourceLanguage::English;
};

Chain& chain() {
  static Chain c;
  return c;
}

const ResourceString* find_string(int id) {
  for (const ResourceModule* m : chain().modules) {
    for (std::size_t t = 0; t < m->tableCount; ++t) {
      const ResourceString* table = m->tables[t];
      for (std::size_t i = 0; i < m->tableSizes[t]; ++i)
        if (table[i].id == id) return &table[i];
    }
  }
  return nullptr;
}

}  // namespace

void LinkResourceModule(const ResourceModule* module) {
  if (!module) return;
  auto& mods = chain().modules;
  mods.erase(std::remove(mods.begin(), mods.end(), module), mods.end());
  mods.insert(mods.begin(), module);
}

void UnlinkResourceModule(const ResourceModule* module) {
  auto& mods = chain().modules;
  mods.erase(std::remove(mods.begin(), mods.end(), module), mods.end());
}

ResourceLanguage GetResourceLanguage() { return chain().language; }
void SetResourceLanguage(ResourceLanguage language) { chain().language = language; }

CString GetResourceString(int id) {
  const ResourceString* s = find_string(id);
  if (!s) return CString();
  const char* text = chain().language == ResourceLanguage::Russian ? s->russian : s->english;
  return text ? CString(text) : CString();
}

bool HasResourceString(int id) { return find_string(id) != nullptr; }

wxBitmap FindResourceBitmap(int id, int size) {
  for (const ResourceModule* m : chain().modules) {
    if (!m->loadBitmap) continue;
    wxBitmap bmp = m->loadBitmap(id, size);
    if (bmp.IsOk()) return bmp;
  }
  return wxBitmap();
}
