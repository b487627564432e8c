#pragma once
// Where a relief lies on the ground: its geotransform, CRS, the size of a cell in metres and the unit
// of its heights, read once when the relief is loaded and carried with the grid.
#include <cstddef>
#include <string>

namespace lib3d {

struct Georef {
  // A geotransform other than GDAL's default (0,1,0,0,0,1): without one the grid keeps its bare
  // geometry (square cells, row 0 at the bottom) and none of the rest is meaningful.
  bool mapped = false;
  // Of the reduced grid: the corner of cell (c, r) lies at x = t[0] + c*t[1] + r*t[2],
  // y = t[3] + c*t[4] + r*t[5] in the CRS's units.
  double transform[6] = {0, 1, 0, 0, 0, 1};
  bool rotation_dropped = false;  // the file's transform turned the grid; it is drawn north-up
  std::string crs_name;           // "WGS 84", "WGS 84 / UTM zone 33N"; empty when the file names none
  std::string crs_wkt;
  bool geographic = false;        // x, y are longitude and latitude
  std::string crs_unit = "metre"; // of x and y
  double cell_x_m = 1.0, cell_y_m = 1.0;  // one reduced cell on the ground, metres, both > 0
  std::string height_unit = "m";  // as the file names it (band unit type or vertical CRS)
  double height_unit_m = 1.0;     // metres in one height unit

  // Model units per column and per row, signed so that east is +x and north is +y: metres for a
  // mapped grid, 1 and 1 for a bare one.
  double step_x() const;
  double step_y() const;
  // The map coordinates of the centre of cell (c, r).
  void cell_centre(double c, double r, double& x, double& y) const;
};

// Reads the georeferencing of `path` for a grid reduced by the factors (cell (r, c) is pixel
// (k_y r, k_x c)). A file without a geotransform, or that does not open, gives a bare Georef.
Georef read_georef(const std::string& path, std::size_t factorX, std::size_t factorY);

// Metres in one unit of a height unit's name ("m", "metre", "ft", "US survey foot", ...); 0 for
// a name it does not know.
double metres_per_height_unit(const std::string& name);

// Ground metres per degree of longitude and of latitude at `latitude` degrees on an ellipsoid of
// semi-major axis a (metres) and inverse flattening invf (0: a sphere).
void metres_per_degree(double latitude, double a, double invf, double& east, double& north);

// The Z scale at which a grid of `range` height units over `columns` x `rows` cells is drawn at its
// true height: the range in metres over the longer side's ground length in metres, both spans
// counted between the outer cells' centres as the view draws them. 0 for a bare or degenerate grid.
double true_scale_z(const Georef& g, double range, std::size_t columns, std::size_t rows);

// The map coordinates x, y in longitude and latitude (degrees, WGS 84 order lon, lat); false when
// the CRS does not convert.
bool to_lon_lat(const Georef& g, double x, double y, double& lon, double& lat);

// The words of a readout in the interface's language.
struct MapWords {
  std::string north = "N", south = "S", east = "E", west = "W";
  std::string metre = "m", foot = "ft", survey_foot = "US ft";
};

// The centre of cell (c, r) in the CRS with its unit, "x 512345.5 m, y 4102345.5 m" (degrees for a
// geographic CRS), with as many decimals as a tenth of a cell needs; empty for a bare grid.
std::string map_xy_text(const Georef& g, std::size_t c, std::size_t r, const MapWords& w);
// Its longitude and latitude, "36.70512° N, 84.31245° W"; empty when the CRS does not convert.
std::string lon_lat_text(const Georef& g, std::size_t c, std::size_t r, const MapWords& w);
// A height with its unit, "372.5 m".
std::string height_text(const Georef& g, float h, const MapWords& w);

}  // namespace lib3d
