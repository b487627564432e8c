#include "terrain/Drape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdal_utils.h>
#include <gdal_vrt.h>
#include <ogr_srs_api.h>

#include "terrain/Document.h"
#include "terrain/MemoryFit.h"
#include "terrain/RasterProblem.h"

namespace lib3d {

namespace {

// GDAL's messages go to the refusal, not to the terminal.
struct QuietGdal {
  QuietGdal() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
  }
  ~QuietGdal() {
    CPLErrorReset();
    CPLPopErrorHandler();
  }
};

std::string gdal_cause(const char* fallback) {
  std::string msg = CPLGetLastErrorType() >= CE_Failure ? CPLGetLastErrorMsg() : "";
  msg = msg.substr(0, msg.find('\n'));
  return msg.empty() ? fallback : msg;
}

struct SrsDeleter {
  void operator()(void* h) const { OSRDestroySpatialReference(static_cast<OGRSpatialReferenceH>(h)); }
};
using Srs = std::unique_ptr<void, SrsDeleter>;

Srs srs_of(const std::string& wkt) {
  if (wkt.empty()) return nullptr;
  Srs s(OSRNewSpatialReference(nullptr));
  if (OSRSetFromUserInput(static_cast<OGRSpatialReferenceH>(s.get()), wkt.c_str()) != OGRERR_NONE) return nullptr;
  OSRSetAxisMappingStrategy(static_cast<OGRSpatialReferenceH>(s.get()), OAMS_TRADITIONAL_GIS_ORDER);
  return s;
}

// Datasets opened or made on the way to the warper; a VRT reads the ones before it, so they close
// in reverse.
struct Chain {
  std::vector<GDALDatasetH> held;
  ~Chain() {
    for (auto it = held.rbegin(); it != held.rend(); ++it) GDALClose(*it);
  }
  GDALDatasetH add(GDALDatasetH ds) {
    if (ds) held.push_back(ds);
    return ds;
  }
};

GDALDatasetH open_raster(const std::string& path) {
  return GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
}

bool refuse_open(LoadError& error, const std::string& path) {
  const std::string why = raster_problem(path);
  return refuse(&error, LoadError::Kind::File, path, why.empty() ? "does not open as a raster" : why);
}

// GDAL answers (0, 1, 0, 0, 0, 1) for a file without one.
bool geotransform_of(GDALDatasetH ds, double t[6]) {
  return GDALGetGeoTransform(ds, t) == CE_None && t[1] * t[5] - t[2] * t[4] != 0 &&
         !(t[0] == 0 && t[1] == 1 && t[2] == 0 && t[3] == 0 && t[4] == 0 && t[5] == 1);
}

std::string projection_of(GDALDatasetH ds) {
  const char* wkt = GDALGetProjectionRef(ds);
  return wkt ? wkt : "";
}

// A CSL argument list for GDAL's utilities.
struct Args {
  char** list = nullptr;
  ~Args() { CSLDestroy(list); }
  Args& operator<<(const std::string& a) {
    list = CSLAddString(list, a.c_str());
    return *this;
  }
};

std::string number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

GDALDatasetH translate_to_vrt(GDALDatasetH src, Args& args) {
  GDALTranslateOptions* o = GDALTranslateOptionsNew(args.list, nullptr);
  if (!o) return nullptr;
  GDALDatasetH out = GDALTranslate("", src, o, nullptr);
  GDALTranslateOptionsFree(o);
  return out;
}

// The value below which `share` % of the band's counted pixels lie (no-data left out, as GDAL's
// histogram does): a first histogram over min..max finds the bucket, a second one over that bucket
// alone (with everything outside it counted in its end buckets) finds the value within it.
double cut_point(GDALRasterBandH band, double min, double max, double share, bool approx) {
  const bool integral = GDALDataTypeIsInteger(GDALGetRasterDataType(band)) != 0;
  double from = integral ? min - 0.5 : min, to = integral ? max + 0.5 : max;
  constexpr int kBuckets = 4096;
  std::vector<GUIntBig> counts(kBuckets);
  for (int pass = 0; pass < 2; ++pass) {
    const int n = integral ? static_cast<int>(std::min<double>(kBuckets, std::ceil(to - from))) : kBuckets;
    if (n < 1 || GDALGetRasterHistogramEx(band, from, to, n, counts.data(), TRUE, approx, nullptr, nullptr) != CE_None)
      break;
    GUIntBig total = 0;
    for (int i = 0; i < n; ++i) total += counts[i];
    const double target = share / 100.0 * static_cast<double>(total);
    GUIntBig sum = 0;
    int at = n - 1;
    for (int i = 0; i < n; ++i) {
      sum += counts[i];
      if (sum > 0 && static_cast<double>(sum) >= target) {
        at = i;
        break;
      }
    }
    const double width = (to - from) / n;
    from += at * width;
    to = from + width;
    if (integral && width <= 1.0) break;
  }
  const double v = 0.5 * (from + to);
  return integral ? std::round(v) : v;
}

// LO and HI of gdal_translate -scale for a band of another type than Byte.
bool stretch_of(GDALRasterBandH band, const DrapeOptions& options, bool approx, double& lo, double& hi) {
  double mm[2];
  if (GDALComputeRasterMinMax(band, approx, mm) != CE_None || !std::isfinite(mm[0]) || !std::isfinite(mm[1]))
    return false;
  lo = mm[0], hi = mm[1];
  if (!options.minmax && hi > lo) {
    lo = cut_point(band, mm[0], mm[1], std::clamp(options.cut_low, 0.0, 100.0), approx);
    hi = cut_point(band, mm[0], mm[1], std::clamp(options.cut_high, 0.0, 100.0), approx);
  }
  // A flat band (or cut) would divide by zero in the scale ratio.
  if (!(hi > lo)) hi = lo + 1;
  return true;
}

// What the warper is handed: 1 (grey) or 3 colour bands of Byte, and an alpha band last when the
// image says where it is missing.
struct Colours {
  GDALDatasetH ds = nullptr;
  int colour_bands = 0;
  bool alpha = false;
};

bool make_colours(const TextureFiles& files, GDALDatasetH red, const DrapeOptions& options, Chain& chain,
                  Colours& out, LoadError& error) {
  GDALDatasetH src = red;
  const int n = GDALGetRasterCount(red);
  if (n < 1) return refuse(&error, LoadError::Kind::File, files.red, "has no bands");
  std::vector<int> colour;
  int alphaBand = 0;
  bool expand = false;
  if (files.green != files.red || files.blue != files.red) {
    // Three single-band files stand as the bands of one VRT on the red file's georeferencing; the
    // files open first, so that the VRT reading them closes before they do.
    const int w = GDALGetRasterXSize(red), h = GDALGetRasterYSize(red);
    const std::string* paths[3] = {&files.red, &files.green, &files.blue};
    GDALDatasetH sets[3] = {red, nullptr, nullptr};
    for (int k = 0; k < 3; ++k) {
      GDALDatasetH ds = sets[k] = k == 0 ? red : chain.add(open_raster(*paths[k]));
      if (!ds) return refuse_open(error, *paths[k]);
      if (GDALGetRasterCount(ds) < 1) return refuse(&error, LoadError::Kind::File, *paths[k], "has no bands");
      if (GDALGetRasterXSize(ds) != w || GDALGetRasterYSize(ds) != h)
        return refuse(&error, LoadError::Kind::Mismatch, *paths[k],
                      "its size " + std::to_string(GDALGetRasterXSize(ds)) + " x " +
                          std::to_string(GDALGetRasterYSize(ds)) + " differs from " + files.red + "'s " +
                          std::to_string(w) + " x " + std::to_string(h));
    }
    GDALDatasetH stack = chain.add(VRTCreate(w, h));
    double t[6];
    if (GDALGetGeoTransform(red, t) == CE_None) GDALSetGeoTransform(stack, t);
    GDALSetProjection(stack, GDALGetProjectionRef(red));
    for (int k = 0; k < 3; ++k) {
      GDALRasterBandH b = GDALGetRasterBand(sets[k], 1);
      GDALAddBand(stack, GDALGetRasterDataType(b), nullptr);
      GDALRasterBandH vb = GDALGetRasterBand(stack, k + 1);
      int has = 0;
      const double nodata = GDALGetRasterNoDataValue(b, &has);
      if (has) GDALSetRasterNoDataValue(vb, nodata);
      VRTAddSimpleSource(vb, b, 0, 0, w, h, 0, 0, w, h, nullptr, VRT_NODATA_UNSET);
    }
    src = stack;
    colour = {1, 2, 3};
  } else {
    for (int b = 1; b <= n && !alphaBand; ++b)
      if (GDALGetRasterColorInterpretation(GDALGetRasterBand(red, b)) == GCI_AlphaBand) alphaBand = b;
    if (n == 1) {
      expand = GDALGetRasterColorTable(GDALGetRasterBand(red, 1)) != nullptr;
      colour = {1};
    } else if (n == 2) {
      colour = {alphaBand == 1 ? 2 : 1};
      alphaBand = alphaBand ? alphaBand : 2;
    } else {
      for (int b = 1; b <= n && colour.size() < 3; ++b)
        if (b != alphaBand) colour.push_back(b);
      if (colour.size() < 3) colour = {colour[0], colour[0], colour[0]};
      if (!alphaBand && n == 4) alphaBand = 4;
    }
  }
  const bool grey = colour.size() == 1;
  if (expand) {
    // Palette indices are never interpolated: the table is applied first, no-data entries giving
    // alpha 0.
    Args a;
    a << "-of" << "VRT" << "-expand" << "rgba";
    out.ds = chain.add(translate_to_vrt(src, a));
    if (!out.ds) return refuse(&error, LoadError::Kind::File, files.red, gdal_cause("its colour table cannot be applied"));
    out.colour_bands = 3;
    out.alpha = true;
    return true;
  }
  bool bytes = true;
  for (int b : colour) bytes = bytes && GDALGetRasterDataType(GDALGetRasterBand(src, b)) == GDT_Byte;
  const bool inOrder = src == red && (grey ? (n == 1 || (n == 2 && colour[0] == 1))
                                           : (colour == std::vector<int>{1, 2, 3} && (n == 3 || alphaBand == 4)));
  if (bytes && inOrder) {
    // Bytes already in the order wanted go to the warper as they are: it reads their no-data and
    // masks itself.
    out.ds = src;
    out.colour_bands = static_cast<int>(colour.size());
    out.alpha = alphaBand != 0;
    return true;
  }
  if (GDALDataTypeIsComplex(GDALGetRasterDataType(GDALGetRasterBand(src, colour[0])))) {
    // Complex bands are coloured by their real part: GDAL's histogram of one counts magnitudes
    // (also through a VRT band that merely changes the type, which hands it on to its source), so
    // the real parts are taken by a pixel function first.
    const int w = GDALGetRasterXSize(src), h = GDALGetRasterYSize(src);
    GDALDatasetH real = chain.add(VRTCreate(w, h));
    double t[6];
    if (GDALGetGeoTransform(src, t) == CE_None) GDALSetGeoTransform(real, t);
    GDALSetProjection(real, GDALGetProjectionRef(src));
    for (int b = 1; b <= GDALGetRasterCount(src); ++b) {
      Args o;
      o << "subclass=VRTDerivedRasterBand" << "PixelFunctionType=real";
      GDALRasterBandH from = GDALGetRasterBand(src, b);
      if (GDALAddBand(real, GDT_Float64, o.list) != CE_None)
        return refuse(&error, LoadError::Kind::File, files.red, gdal_cause("cannot be read"));
      int has = 0;
      const double nodata = GDALGetRasterNoDataValue(from, &has);
      if (has) GDALSetRasterNoDataValue(GDALGetRasterBand(real, b), nodata);
      VRTAddSimpleSource(GDALGetRasterBand(real, b), from, 0, 0, w, h, 0, 0, w, h, nullptr, VRT_NODATA_UNSET);
    }
    src = real;
  }
  const bool approx = static_cast<double>(GDALGetRasterXSize(src)) * GDALGetRasterYSize(src) > 16e6;
  GDALRasterBandH first = GDALGetRasterBand(src, colour[0]);
  const bool maskAlpha = !alphaBand && (GDALGetMaskFlags(first) & GMF_ALL_VALID) == 0;
  Args a;
  a << "-of" << "VRT" << "-ot" << "Byte" << "-a_nodata" << "none";
  for (int b : colour) a << "-b" << std::to_string(b);
  if (alphaBand) a << "-b" << std::to_string(alphaBand);
  if (maskAlpha) a << "-b" << "mask," + std::to_string(colour[0]);
  for (std::size_t i = 0; i < colour.size(); ++i) {
    GDALRasterBandH b = GDALGetRasterBand(src, colour[i]);
    if (GDALGetRasterDataType(b) == GDT_Byte) continue;
    double lo = 0, hi = 0;
    if (!stretch_of(b, options, approx, lo, hi))
      return refuse(&error, LoadError::Kind::File, files.red, gdal_cause("holds no values to colour"));
    a << "-scale_" + std::to_string(i + 1) << number(lo) << number(hi) << "0" << "255";
  }
  out.ds = chain.add(translate_to_vrt(src, a));
  if (!out.ds) return refuse(&error, LoadError::Kind::File, files.red, gdal_cause("cannot be read"));
  out.colour_bands = static_cast<int>(colour.size());
  out.alpha = alphaBand || maskAlpha;
  return true;
}

struct TransformerDeleter {
  void operator()(void* h) const { GDALDestroyGenImgProjTransformer(h); }
};

// Image pixels crossed per relief cell across (sx) and down (sy), measured at the middle of the
// ground both cover; refused when they share none or the coordinate systems do not convert.
bool image_on_relief(GDALDatasetH image, const std::string& path, const Georef& relief, std::size_t cols,
                     std::size_t rows, double& sx, double& sy, LoadError& error) {
  double gt[6];
  if (!geotransform_of(image, gt)) return refuse(&error, LoadError::Kind::Mismatch, path, "it is not georeferenced");
  const std::string wkt = projection_of(image);
  const char* noConvert = "its coordinate system does not convert to the relief's";
  if (!wkt.empty() && !relief.crs_wkt.empty()) {
    Srs from = srs_of(wkt), to = srs_of(relief.crs_wkt);
    OGRCoordinateTransformationH ct =
        from && to ? OCTNewCoordinateTransformation(static_cast<OGRSpatialReferenceH>(from.get()),
                                                    static_cast<OGRSpatialReferenceH>(to.get()))
                   : nullptr;
    if (!ct) return refuse(&error, LoadError::Kind::Mismatch, path, noConvert);
    OCTDestroyCoordinateTransformation(ct);
  }
  char** to = nullptr;
  if (!relief.crs_wkt.empty()) to = CSLSetNameValue(to, "DST_SRS", relief.crs_wkt.c_str());
  std::unique_ptr<void, TransformerDeleter> tr(GDALCreateGenImgProjTransformer2(image, nullptr, to));
  CSLDestroy(to);
  double ogt[6], ext[4];
  int px = 0, ln = 0;
  if (!tr || GDALSuggestedWarpOutput2(image, GDALGenImgProjTransform, tr.get(), ogt, &px, &ln, ext, 0) != CE_None)
    return refuse(&error, LoadError::Kind::Mismatch, path, noConvert);
  const double* t = relief.transform;
  const double rx0 = std::min(t[0], t[0] + cols * t[1]), rx1 = std::max(t[0], t[0] + cols * t[1]);
  const double ry0 = std::min(t[3], t[3] + rows * t[5]), ry1 = std::max(t[3], t[3] + rows * t[5]);
  const double x0 = std::max(rx0, ext[0]), x1 = std::min(rx1, ext[2]);
  const double y0 = std::max(ry0, ext[1]), y1 = std::min(ry1, ext[3]);
  if (!(x1 > x0 && y1 > y0))
    return refuse(&error, LoadError::Kind::Mismatch, path, "the image does not cover any of the relief's ground");
  double x[3] = {0.5 * (x0 + x1), 0.5 * (x0 + x1) + t[1], 0.5 * (x0 + x1)};
  double y[3] = {0.5 * (y0 + y1), 0.5 * (y0 + y1), 0.5 * (y0 + y1) + t[5]};
  double z[3] = {0, 0, 0};
  int ok[3] = {0, 0, 0};
  if (GDALGenImgProjTransform(tr.get(), TRUE, 3, x, y, z, ok) && ok[0] && ok[1] && ok[2]) {
    sx = std::hypot(x[1] - x[0], y[1] - y[0]);
    sy = std::hypot(x[2] - x[0], y[2] - y[0]);
  } else {
    // GDAL's suggestion keeps the image's pixel count along its diagonal, in square pixels.
    sx = std::fabs(t[1] / ogt[1]);
    sy = std::fabs(t[5] / ogt[5]);
  }
  return (std::isfinite(sx) && std::isfinite(sy) && sx > 0 && sy > 0) ||
         refuse(&error, LoadError::Kind::Mismatch, path, noConvert);
}

const char* resampling_name(Resampling r) {
  switch (r) {
    case Resampling::Nearest: return "near";
    case Resampling::Cubic: return "cubic";
    case Resampling::Bilinear: break;
  }
  return "bilinear";
}

}  // namespace

bool drapes(const TextureFiles& files, const Georef& relief) {
  if (!relief.mapped || files.red.empty()) return false;
  GDALAllRegister();
  QuietGdal quiet;
  GDALDatasetH ds = open_raster(files.red);
  if (!ds) return false;
  double t[6];
  const bool yes = geotransform_of(ds, t) && !projection_of(ds).empty();
  GDALClose(ds);
  return yes;
}

bool image_facts(const std::string& path, ImageFacts& facts, LoadError& error) {
  GDALAllRegister();
  QuietGdal quiet;
  GDALDatasetH ds = open_raster(path);
  if (!ds) return refuse_open(error, path);
  ImageFacts f;
  f.width = GDALGetRasterXSize(ds);
  f.height = GDALGetRasterYSize(ds);
  f.bands = GDALGetRasterCount(ds);
  double t[6];
  f.georeferenced = geotransform_of(ds, t);
  Srs srs = srs_of(projection_of(ds));
  if (srs) {
    const char* name = OSRGetName(static_cast<OGRSpatialReferenceH>(srs.get()));
    f.crs_name = name ? name : "";
  }
  if (f.georeferenced) {
    double east = 1, north = 1;
    auto* h = static_cast<OGRSpatialReferenceH>(srs.get());
    if (h && OSRIsGeographic(h)) {
      OGRErr err = OGRERR_NONE;
      const double a = OSRGetSemiMajor(h, &err), invf = OSRGetInvFlattening(h, &err);
      const double lat = t[3] + 0.5 * f.width * t[4] + 0.5 * f.height * t[5];
      metres_per_degree(lat, a > 0 ? a : 6378137.0, invf, east, north);
    } else if (h) {
      const double unit = OSRGetLinearUnits(h, nullptr);
      east = north = unit > 0 ? unit : 1.0;
    }
    f.pixel_x_m = std::hypot(t[1] * east, t[4] * north);
    f.pixel_y_m = std::hypot(t[2] * east, t[5] * north);
  }
  GDALClose(ds);
  facts = f;
  return true;
}

bool read_drape(const TextureFiles& files, const Georef& relief, std::size_t cols, std::size_t rows,
                const DrapeOptions& options, Drape& out, LoadError& error) {
  // The histograms of a stretch would otherwise be saved beside the user's image (.aux.xml) when
  // it closes: a read never writes.
  const CPLConfigOptionSetter read_only("GDAL_PAM_ENABLED", "NO", false);
  if (!relief.mapped || cols == 0 || rows == 0)
    return refuse(&error, LoadError::Kind::Mismatch, "", "the relief is not georeferenced");
  GDALAllRegister();
  QuietGdal quiet;
  Chain chain;
  GDALDatasetH red = chain.add(open_raster(files.red));
  if (!red) return refuse_open(error, files.red);
  double sx = 0, sy = 0;
  if (!image_on_relief(red, files.red, relief, cols, rows, sx, sy, error)) return false;

  double w = static_cast<double>(cols) * sx, h = static_cast<double>(rows) * sy;
  const double side = std::max(1, options.max_side);
  if (std::max(w, h) > side) {
    const double k = side / std::max(w, h);
    w *= k, h *= k;
  }
  const double usable = static_cast<double>(loading::usable_memory(loading::available_memory()));
  if (w * h * 12 > usable) {
    const double k = std::sqrt(usable / (w * h * 12));
    w *= k, h *= k;
  }
  const int width = static_cast<int>(std::clamp(std::round(w), 1.0, side));
  const int height = static_cast<int>(std::clamp(std::round(h), 1.0, side));

  Colours colours;
  if (!make_colours(files, red, options, chain, colours, error)) return false;

  Drape d;
  d.width = width;
  d.height = height;
  try {
    d.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  } catch (const std::bad_alloc&) {
    return refuse(&error, LoadError::Kind::Memory, files.red, "out of memory");
  }
  // The warper writes straight into the texture: a MEM band per channel over its interleaved
  // bytes (a grey image fills red, then green and blue are copied from it).
  GDALDatasetH dst = chain.add(GDALCreate(GDALGetDriverByName("MEM"), "", width, height, 0, GDT_Byte, nullptr));
  if (!dst) return refuse(&error, LoadError::Kind::Memory, files.red, "out of memory");
  for (int b = 0; b <= colours.colour_bands; ++b) {
    const int at = b == colours.colour_bands ? 3 : b;
    char ptr[64];
    std::snprintf(ptr, sizeof ptr, "%p", static_cast<void*>(d.rgba.data() + at));
    Args o;
    o << std::string("DATAPOINTER=") + ptr << "PIXELOFFSET=4" << "LINEOFFSET=" + std::to_string(4 * width);
    if (GDALAddBand(dst, GDT_Byte, o.list) != CE_None)
      return refuse(&error, LoadError::Kind::Memory, files.red, "out of memory");
  }
  GDALSetRasterColorInterpretation(GDALGetRasterBand(dst, colours.colour_bands + 1), GCI_AlphaBand);
  const double* t = relief.transform;
  double dt[6] = {t[0], t[1] * static_cast<double>(cols) / width, 0,
                  t[3], 0, t[5] * static_cast<double>(rows) / height};
  GDALSetGeoTransform(dst, dt);
  if (!relief.crs_wkt.empty()) GDALSetProjection(dst, relief.crs_wkt.c_str());

  // Much finer images are averaged down: a bilinear or cubic kernel widened over many source
  // pixels costs far more and smooths no better.
  const double across = static_cast<double>(cols) * sx / width, down = static_cast<double>(rows) * sy / height;
  const bool average = options.resampling != Resampling::Nearest && std::min(across, down) > 2.0;
  Args a;
  a << "-r" << (average ? "average" : resampling_name(options.resampling)) << "-dstalpha" << "-wo" << "INIT_DEST=0"
    << "-wm" << "256";
  if (colours.alpha) a << "-srcalpha";
  GDALWarpAppOptions* wo = GDALWarpAppOptionsNew(a.list, nullptr);
  GDALDatasetH src = colours.ds;
  CPLErrorReset();
  const bool warped = wo && GDALWarp(nullptr, dst, 1, &src, wo, nullptr) != nullptr &&
                      CPLGetLastErrorType() < CE_Failure;
  GDALWarpAppOptionsFree(wo);
  if (!warped) return refuse(&error, LoadError::Kind::File, files.red, gdal_cause("cannot be read"));

  std::size_t covered = 0;
  const std::size_t texels = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < texels; ++i) {
    std::uint8_t* p = &d.rgba[4 * i];
    if (colours.colour_bands == 1) p[1] = p[2] = p[0];
    covered += p[3] > 0;
  }
  d.coverage = static_cast<double>(covered) / static_cast<double>(texels);
  d.texel_x_m = relief.cell_x_m * static_cast<double>(cols) / width;
  d.texel_y_m = relief.cell_y_m * static_cast<double>(rows) / height;
  out = std::move(d);
  return true;
}

}  // namespace lib3d
