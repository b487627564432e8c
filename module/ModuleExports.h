#pragma once
// The C functions through which a host discovers and runs the module's tool, and the automation
// entry points of the host's command line. Looked up by name (dlsym); all undecorated.
#include <cstddef>

#include "hostlib/Export.h"
#include "hostlib/RenderRequest.h"

#ifdef __cplusplus
#include "terrain/Document.h"
namespace lib3d {
// The relief options of a render request.
inline ReliefOptions relief_options_of(const Lib3dRenderRequest& r) {
  ReliefOptions o;
  o.band = r.band, o.overviews = r.overviews != 0, o.holes = r.nodata_height == 0;
  o.nodata_given = r.nodata_given != 0, o.nodata = r.nodata_value;
  o.drape.resampling = r.texture_resampling == 1 ? Resampling::Nearest
                       : r.texture_resampling == 2 ? Resampling::Cubic : Resampling::Bilinear;
  o.drape.minmax = r.texture_minmax != 0, o.drape.cut_low = r.texture_cut_low, o.drape.cut_high = r.texture_cut_high;
  return o;
}
}  // namespace lib3d
#endif

extern "C" {

// Number of tools in the module: 1 (index 0).
LIB3D_API int GetNumModuls();

// Answers query `query` about tool `module` into `out`; 1 when something was written, else 0.
//   1, 2: a pointer-sized icon handle, a `wxIcon*` owned by the module (colour, grey), 32 px
//   3, 5: caption strings 2761 and 2764 copied with strncpy(out, text, size)
//   4:    four zero bytes (whatever `size` is)
// Queries 1, 2 and 4 write a fixed number of bytes whatever `size` says; a null `out` writes
// nothing and answers 0.
LIB3D_API int GetModuleInfo(int module, int query, void* out, std::size_t size);

// The entry function of tool `module` (a `void (*)()` that shows the viewer), null for other tools.
LIB3D_API void* GetModuleFunction(int module);

// Shows the viewer (creating it on the first call) and makes it paint at once.
LIB3D_API void RunViewer3D();

// Loads a relief (and optionally a texture) into the viewer. red/green/blue null: no texture.
// Returns 1 when the relief was loaded, 0 when nothing changed.
LIB3D_API int Lib3dOpenFiles(const char* relief, unsigned long factorX, unsigned long factorY,
                             const char* red, const char* green, const char* blue, unsigned long component);

// Sets the viewer's camera: tilt and turn in degrees, a zoom step as the zoom buttons reach it (...,
// -3, -2, 1, 2, ...) and the pan in view units. Returns 1; 0 without a viewer, or for a value out of
// its range (lib3d::camera_problem, hostlib/RenderOptions.h), changing nothing.
LIB3D_API int Lib3dSetCamera(double tilt, double azimuth, int zoomLevel, double panX, double panY);

// Sets the viewer's look through its tool window, which then shows it: the exaggeration (times the
// relief's true height; 0 leaves the Z scale, and so does a relief without georeferencing) and the
// light's azimuth 0..360 and elevation 0..90 (-1 leaves the light). Returns 1; 0 without a viewer
// or for a value out of range, changing nothing.
LIB3D_API int Lib3dSetLook(double exaggeration, int lightAzimuth, int lightElevation);

// How the viewer reads the reliefs it opens from now on (the Open dialog shows the same): the band
// (1 for the first), overviews for reduced reliefs (nonzero), no-data cells as heights instead of
// holes (nonzero), and a no-data value the file does not declare (when nodataGiven is nonzero).
// Returns 1; 0 without a viewer or for a band below 1.
LIB3D_API int Lib3dSetReliefOptions(int band, int overviews, int nodataHeight, int nodataGiven, double nodataValue);

// Shows and realises the viewer, repaints it synchronously and writes the view's picture as PNG.
// Returns 1 on success, 0 otherwise.
LIB3D_API int Lib3dSnapshot(const char* pngPath);

// Renders a relief file to a picture file offscreen, with no window and no display (see
// RenderRequest.h). Returns an exit status; `message` gets one line naming the cause of a failure.
LIB3D_API int Lib3dRenderFile(const Lib3dRenderRequest* request, char* message, size_t message_size);
// What the viewer derives from the request's relief and factors, without drawing: "key: value"
// lines into `text` (the failure's one line instead, with the status Lib3dRenderFile would give).
LIB3D_API int Lib3dDescribeFile(const Lib3dRenderRequest* request, char* text, size_t text_size);
}
