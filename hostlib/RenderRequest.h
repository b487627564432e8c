/* What a host asks of the viewer module to render one picture of a relief file without a window.
 * Plain C, shared by the host program and the module; `size` lets either side tell an older
 * caller (fields it does not know keep their defaults). Ranges and formats: RenderOptions.h. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

struct Lib3dRenderRequest {
  size_t size;              /* sizeof(struct Lib3dRenderRequest) as the caller knows it */
  const char* relief;       /* relief raster */
  unsigned long factor_x, factor_y; /* compression factors */
  const char* red;          /* texture channel files; null: no texture */
  const char* green;
  const char* blue;
  const char* output;       /* picture file, in the format its extension names */
  int width, height;        /* picture size in pixels */
  double tilt, azimuth;     /* degrees */
  int zoom_level;           /* the view's zoom steps: ..., -3, -2, 1, 2, 3, ... */
  double pan_x, pan_y;      /* view units */
  double scale_z;           /* height exaggeration */
  int light_azimuth, light_elevation; /* whole degrees */
  int ambient, diffuse, specular; /* percent */
  unsigned int background;  /* colour word 0x00BBGGRR */
  const char* palette_file; /* a palette file (*.pal); null: none */
  int base_palette;         /* an index of the base palettes; -1: none */
  double exaggeration;      /* times the relief's true height, in place of scale_z; 0: scale_z holds */
  const double* probes;     /* probe_count picture pixels x0, y0, x1, y1, ...: what lies under each */
  int probe_count;
  char* probe_text;         /* receives one line a probe (cell, map place, height, or "background") */
  size_t probe_text_size;
  int band;                 /* the relief's band, 1 for the first */
  int overviews;            /* nonzero: a reduction reads the overview level nearest to the factors */
  int nodata_height;        /* nonzero: no-data, masked and non-finite cells are heights, not holes */
  int nodata_given;         /* nonzero: nodata_value is a no-data value the file does not declare */
  double nodata_value;
  int texture_resampling;   /* a georeferenced texture's warp: 0 bilinear, 1 nearest, 2 cubic */
  int texture_minmax;       /* nonzero: other than byte values stretch min..max, not by the cut */
  double texture_cut_low, texture_cut_high; /* the cut: percent of the values, 2 and 98 */
  int turntable;            /* above 1: so many pictures, the azimuth turned by 360/turntable each;
                               output then names them with one %d (RenderOptions.h: frame_path) */
};

/* The size of the view in the viewer's starting window, the picture size when none is asked for. */
#define LIB3D_VIEW_WIDTH 638
#define LIB3D_VIEW_HEIGHT 403

/* Exit statuses of batch rendering, as the host program passes them on. */
enum {
  LIB3D_RENDER_OK = 0,
  LIB3D_RENDER_IO_FAILED = 1,  /* an input could not be read or the picture not written */
  LIB3D_RENDER_BAD_VALUE = 2,  /* a request value out of range */
  LIB3D_RENDER_NO_GL = 3       /* no offscreen OpenGL */
};

/* Fills a request with the viewer's own starting state (the picture a new viewer shows). */
static inline void lib3d_render_request_defaults(struct Lib3dRenderRequest* r) {
  struct Lib3dRenderRequest d = {sizeof(struct Lib3dRenderRequest), 0, 1, 1, 0, 0, 0, 0,
                                 LIB3D_VIEW_WIDTH, LIB3D_VIEW_HEIGHT, 45.0, 45.0, -2, 0.0, 0.0, 1.0, 0, 0, 30, 70, 20, 0x7F7F7Fu, 0, -1, 0.0, 0, 0, 0, 0, 1, 0, 0, 0, 0.0, 0, 0, 2.0, 98.0, 0};
  *r = d;
}

/* What the viewer derives from the request's relief and factors, without drawing: "key: value"
 * lines into `text`, or the failure's one line with the status a picture would end with. */
typedef int (*Lib3dDescribeFileFn)(const struct Lib3dRenderRequest* request, char* text, size_t text_size);

/* Renders the picture and writes it (never a half-written file). Returns one of the statuses
 * above; on failure `message` receives one line naming the cause (no line break). */
typedef int (*Lib3dRenderFileFn)(const struct Lib3dRenderRequest* request, char* message,
                                 size_t message_size);

#ifdef __cplusplus
}
#endif
