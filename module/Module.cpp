// The module's exports to its host and the load/unload hooks that stand for the library entry point.
#include "module/ModuleExports.h"

#include <cstring>
#include <memory>

#include <wx/app.h>
#include <wx/icon.h>

#include "frame/Frame.h"
#include "hostlib/Resources.h"
#include "resources/ModuleResources.h"

namespace {

// The host's standard icon size; icons are drawn at 16 and 32, the handles carry the 32 px picture.
constexpr int kHandleIconSize = 32;

// Icon handles handed to the host: created once, on first request (wx must be running by then),
// owned by the module.
wxIcon* g_icons[2] = {nullptr, nullptr};

wxIcon* icon_handle(int which) {
  if (!wxTheApp) return nullptr;  // no GUI yet: no handle
  if (!g_icons[which]) {
    wxBitmap bmp = FindResourceBitmap(which == 0 ? lib3d::IDI_VIEWER_3D : lib3d::IDI_VIEWER_3D_GREY,
                                      kHandleIconSize);
    if (!bmp.IsOk()) return nullptr;
    auto icon = std::make_unique<wxIcon>();
    icon->CopyFromBitmap(bmp);
    g_icons[which] = icon.release();
  }
  return g_icons[which];
}

void copy_text(void* out, std::size_t size, int id) {
  const CString text = GetResourceString(id);
  std::strncpy(static_cast<char*>(out), text.c_str(), size);
}

// Loading the library links its resources into the host's chain; unloading unlinks them.
struct ModuleLifetime {
  ModuleLifetime() { lib3d::link_module_resources(); }
  ~ModuleLifetime() {
    // When the host unloads the module while wx still runs, the windows whose code lives here must
    // go first. At process exit wx has already destroyed the frame (and cleared the pointer), and
    // GDK objects may no longer be released, so the icons are then left to the system.
    if (wxTheApp) {
      delete lib3d::Frame::instance();
      for (wxIcon*& icon : g_icons) {
        delete icon;
        icon = nullptr;
      }
    }
    lib3d::unlink_module_resources();
  }
};

ModuleLifetime g_lifetime;

}  // namespace

extern "C" {

int GetNumModuls() { return 1; }

int GetModuleInfo(int module, int query, void* out, std::size_t size) {
  if (module != 0 || !out) return 0;
  switch (query) {
    case 1:
    case 2: {
      wxIcon* handle = icon_handle(query - 1);
      std::memcpy(out, &handle, sizeof handle);
      return 1;
    }
    case 3: copy_text(out, size, lib3d::IDS_CAPTION_3D); return 1;
    case 4: {
      const std::uint32_t zero = 0;
      std::memcpy(out, &zero, sizeof zero);
      return 1;
    }
    case 5: copy_text(out, size, lib3d::IDS_SHORT_CAPTION_3D); return 1;
    default: return 0;
  }
}

void* GetModuleFunction(int module) {
  return module == 0 ? reinterpret_cast<void*>(&RunViewer3D) : nullptr;
}

void RunViewer3D() {
  lib3d::Frame* frame = lib3d::Frame::make(nullptr);
  if (!frame) return;
  frame->Show();
  frame->Raise();
  frame->Update();
}

}  // extern "C"
