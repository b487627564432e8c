#include "terrain/Georef.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

#include <gdal.h>
#include <ogr_srs_api.h>

namespace lib3d {

namespace {

struct SrsDeleter {
  void operator()(void* h) const { OSRDestroySpatialReference(static_cast<OGRSpatialReferenceH>(h)); }
};
using Srs = std::unique_ptr<void, SrsDeleter>;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The centre latitude of a geographic grid, for the size of its cells.
double centre_latitude(const double t[6], int width, int height) {
  return t[3] + 0.5 * width * t[4] + 0.5 * height * t[5];
}

}  // namespace

double Georef::step_x() const {
  if (!mapped) return 1.0;
  return transform[1] < 0 ? -cell_x_m : cell_x_m;
}

double Georef::step_y() const {
  if (!mapped) return 1.0;
  // A north-up file has a negative pixel height: its rows run south.
  return transform[5] < 0 ? -cell_y_m : cell_y_m;
}

void Georef::cell_centre(double c, double r, double& x, double& y) const {
  x = transform[0] + (c + 0.5) * transform[1] + (r + 0.5) * transform[2];
  y = transform[3] + (c + 0.5) * transform[4] + (r + 0.5) * transform[5];
}

double metres_per_height_unit(const std::string& name) {
  const std::string u = lower(name);
  if (u.empty() || u == "m" || u == "metre" || u == "meter" || u == "metres" || u == "meters") return 1.0;
  if (u == "us survey foot" || u == "us-ft" || u == "ftus" || u == "us_survey_foot" || u == "foot_us")
    return 1200.0 / 3937.0;
  if (u == "ft" || u == "foot" || u == "feet" || u == "international foot") return 0.3048;
  if (u == "km" || u == "kilometre" || u == "kilometer") return 1000.0;
  if (u == "cm" || u == "centimetre" || u == "centimeter") return 0.01;
  if (u == "dm" || u == "decimetre" || u == "decimeter") return 0.1;
  return 0.0;
}

void metres_per_degree(double latitude, double a, double invf, double& east, double& north) {
  // On an ellipsoid of eccentricity e, one radian of longitude at latitude phi is the radius of
  // the parallel, N cos(phi) with N = a / sqrt(1 - e^2 sin^2 phi), and one radian of latitude is the
  // meridian's radius of curvature M = a (1 - e^2) / (1 - e^2 sin^2 phi)^(3/2).
  const double f = invf > 0 ? 1.0 / invf : 0.0;
  const double e2 = f * (2.0 - f);
  const double phi = latitude * M_PI / 180.0;
  const double w = 1.0 - e2 * std::sin(phi) * std::sin(phi);
  east = M_PI / 180.0 * a / std::sqrt(w) * std::cos(phi);
  north = M_PI / 180.0 * a * (1.0 - e2) / (w * std::sqrt(w));
}

double true_scale_z(const Georef& g, double range, std::size_t columns, std::size_t rows) {
  if (!g.mapped) return 0.0;
  const double along = std::max(columns > 1 ? (columns - 1) * g.cell_x_m : 0.0,
                                rows > 1 ? (rows - 1) * g.cell_y_m : 0.0);
  const double z = range * g.height_unit_m / along;
  return std::isfinite(z) && z > 0 ? z : 0.0;
}

Georef read_georef(const std::string& path, std::size_t factorX, std::size_t factorY) {
  Georef g;
  GDALAllRegister();
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
  if (!ds) return g;
  double t[6];
  const bool has = GDALGetGeoTransform(ds, t) == CE_None &&
                   !(t[0] == 0 && t[1] == 1 && t[2] == 0 && t[3] == 0 && t[4] == 0 && t[5] == 1);
  if (has && t[1] != 0 && t[5] != 0 && std::isfinite(t[0] + t[1] + t[2] + t[3] + t[4] + t[5])) {
    g.mapped = true;
    g.rotation_dropped = t[2] != 0 || t[4] != 0;
    if (g.rotation_dropped) t[2] = t[4] = 0;
    const double kx = static_cast<double>(factorX ? factorX : 1), ky = static_cast<double>(factorY ? factorY : 1);
    // Reduced cell (c, r) is pixel (kx c, ky r): its centre is that pixel's centre, so the
    // reduced grid's corner sits half a reduced cell before it.
    const double ox = 0.5 - kx / 2, oy = 0.5 - ky / 2;
    g.transform[0] = t[0] + ox * t[1] + oy * t[2];
    g.transform[1] = t[1] * kx;
    g.transform[2] = t[2] * ky;
    g.transform[3] = t[3] + ox * t[4] + oy * t[5];
    g.transform[4] = t[4] * kx;
    g.transform[5] = t[5] * ky;
    double unit = 1.0;
    const char* wkt = GDALGetProjectionRef(ds);
    Srs srs(wkt && *wkt ? OSRNewSpatialReference(wkt) : nullptr);
    if (srs) {
      OGRSpatialReferenceH h = srs.get();
      g.crs_wkt = wkt;
      const char* name = OSRGetName(h);
      g.crs_name = name ? name : "";
      g.geographic = OSRIsGeographic(h) != 0;
      char* unitName = nullptr;
      if (g.geographic) {
        OSRGetAngularUnits(h, &unitName);
      } else {
        unit = OSRGetLinearUnits(h, &unitName);
        if (!(unit > 0)) unit = 1.0;
      }
      if (unitName) g.crs_unit = unitName;
      // A vertical CRS names the heights' unit when the band does not.
      if (OSRIsCompound(h)) {
        char* vname = nullptr;
        const double v = OSRGetTargetLinearUnits(h, "VERT_CS", &vname);
        if (v > 0 && vname) g.height_unit = vname, g.height_unit_m = v;
      }
    }
    if (g.geographic && srs) {
      OGRErr err = OGRERR_NONE;
      const double a = OSRGetSemiMajor(srs.get(), &err);
      const double invf = OSRGetInvFlattening(srs.get(), &err);
      double east = 0, north = 0;
      metres_per_degree(centre_latitude(t, GDALGetRasterXSize(ds), GDALGetRasterYSize(ds)), a > 0 ? a : 6378137.0,
                        invf, east, north);
      g.cell_x_m = std::fabs(g.transform[1]) * east;
      g.cell_y_m = std::fabs(g.transform[5]) * north;
    } else {
      g.cell_x_m = std::fabs(g.transform[1]) * unit;
      g.cell_y_m = std::fabs(g.transform[5]) * unit;
    }
    if (!(g.cell_x_m > 0) || !(g.cell_y_m > 0)) g = Georef();
  }
  if (GDALGetRasterCount(ds) > 0) {
    const char* u = GDALGetRasterUnitType(GDALGetRasterBand(ds, 1));
    const double m = u && *u ? metres_per_height_unit(u) : 0.0;
    if (m > 0) g.height_unit = u, g.height_unit_m = m;
  }
  GDALClose(ds);
  return g;
}

bool to_lon_lat(const Georef& g, double x, double y, double& lon, double& lat) {
  if (!g.mapped || g.crs_wkt.empty()) return false;
  // Making a transformation asks PROJ's database (milliseconds): the last one is kept per thread.
  struct Cached {
    std::string wkt;
    Srs src, dst;
    OGRCoordinateTransformationH ct = nullptr;
    ~Cached() {
      if (ct) OCTDestroyCoordinateTransformation(ct);
    }
  };
  thread_local Cached cache;
  if (cache.wkt != g.crs_wkt) {
    if (cache.ct) OCTDestroyCoordinateTransformation(cache.ct);
    cache.ct = nullptr;
    cache.wkt = g.crs_wkt;
    cache.src.reset(OSRNewSpatialReference(g.crs_wkt.c_str()));
    cache.dst.reset(OSRNewSpatialReference(nullptr));
    if (cache.src && cache.dst && OSRSetWellKnownGeogCS(static_cast<OGRSpatialReferenceH>(cache.dst.get()), "WGS84") == OGRERR_NONE) {
      OSRSetAxisMappingStrategy(static_cast<OGRSpatialReferenceH>(cache.src.get()), OAMS_TRADITIONAL_GIS_ORDER);
      OSRSetAxisMappingStrategy(static_cast<OGRSpatialReferenceH>(cache.dst.get()), OAMS_TRADITIONAL_GIS_ORDER);
      CPLPushErrorHandler(CPLQuietErrorHandler);
      cache.ct = OCTNewCoordinateTransformation(static_cast<OGRSpatialReferenceH>(cache.src.get()),
                                                static_cast<OGRSpatialReferenceH>(cache.dst.get()));
      CPLPopErrorHandler();
    }
  }
  if (!cache.ct) return false;
  double px = x, py = y;
  if (!OCTTransform(cache.ct, 1, &px, &py, nullptr) || !std::isfinite(px) || !std::isfinite(py)) return false;
  lon = px;
  lat = py;
  return true;
}

namespace {

// Decimals that resolve a tenth of `step` (at least 0, at most 9).
int decimals_for(double step) {
  const double d = std::ceil(-std::log10(std::fabs(step) / 10.0));
  return std::isfinite(d) ? static_cast<int>(std::clamp(d, 0.0, 9.0)) : 3;
}

std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string unit_word(const std::string& unit, double metres, const MapWords& w) {
  if (metres == 1.0) return w.metre;
  if (metres == 0.3048) return w.foot;
  if (metres == 1200.0 / 3937.0) return w.survey_foot;
  return unit;
}

}  // namespace

std::string map_xy_text(const Georef& g, std::size_t c, std::size_t r, const MapWords& w) {
  if (!g.mapped) return std::string();
  double x = 0, y = 0;
  g.cell_centre(static_cast<double>(c), static_cast<double>(r), x, y);
  const int dx = decimals_for(g.transform[1]), dy = decimals_for(g.transform[5]);
  if (g.geographic) return "x " + fixed(x, dx) + "°, y " + fixed(y, dy) + "°";
  const std::string u = " " + unit_word(g.crs_unit, g.crs_unit == "metre" ? 1.0 : 0.0, w);
  return "x " + fixed(x, dx) + u + ", y " + fixed(y, dy) + u;
}

std::string lon_lat_text(const Georef& g, std::size_t c, std::size_t r, const MapWords& w) {
  double x = 0, y = 0, lon = 0, lat = 0;
  g.cell_centre(static_cast<double>(c), static_cast<double>(r), x, y);
  if (!to_lon_lat(g, x, y, lon, lat)) return std::string();
  // A tenth of the cell's shorter side, in degrees of latitude (about 111 km each).
  const int d = decimals_for(std::min(g.cell_x_m, g.cell_y_m) / 111320.0);
  return fixed(std::fabs(lat), d) + "° " + (lat < 0 ? w.south : w.north) + ", " + fixed(std::fabs(lon), d) + "° " +
         (lon < 0 ? w.west : w.east);
}

std::string height_text(const Georef& g, float h, const MapWords& w) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(h));
  return std::string(buf) + " " + unit_word(g.height_unit, g.height_unit_m, w);
}

}  // namespace lib3d
