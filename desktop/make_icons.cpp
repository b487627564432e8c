// Writes the viewer's icon as PNG files for the desktop's icon theme:
//   make_icons OUTDIR SIZE...   ->  OUTDIR/SIZE/relief3d.png
// The icon is drawn in code, so the theme's sizes are rendered from the same drawing, not scaled.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/filename.h>
#include <wx/image.h>
#include <wx/init.h>

#include "resources/module_images.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_icons OUTDIR SIZE...\n");
    return 2;
  }
  wxInitializer init;  // a console start: wxImage needs no display
  if (!init.IsOk()) return 1;
  wxImage::AddHandler(new wxPNGHandler);
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "make_icons: bad size %s\n", argv[i]);
      return 2;
    }
    const wxString dir = wxString::FromUTF8(argv[1]) + "/" + argv[i];
    if (!wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL) ||
        !lib3d::draw_viewer_icon(size, false).SaveFile(dir + "/relief3d.png", wxBITMAP_TYPE_PNG)) {
      std::fprintf(stderr, "make_icons: cannot write %s/relief3d.png\n", static_cast<const char*>(dir.utf8_str()));
      return 1;
    }
  }
  return 0;
}
