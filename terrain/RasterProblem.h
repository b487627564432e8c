#pragma once
// Why a raster file cannot be read, in words for a one-line message.
#include <string>

namespace lib3d {

// "no such file", "permission denied", "is a directory", "not a raster GDAL can read (GDAL's own
// message)", ...; empty when the file opens as a raster after all (the failure lies elsewhere).
std::string raster_problem(const std::string& path);

}  // namespace lib3d
