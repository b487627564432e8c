#include "module/RasterProblem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cpl_error.h>
#include <gdal.h>

namespace lib3d {

namespace {

// Keeps the first error GDAL reports while it is installed, instead of printing it.
struct CollectErrors {
  std::string first;
  static void CPL_STDCALL handler(CPLErr cls, CPLErrorNum, const char* msg) {
    auto* self = static_cast<CollectErrors*>(CPLGetErrorHandlerUserData());
    if (self && self->first.empty() && cls >= CE_Failure && msg) self->first = msg;
  }
  CollectErrors() { CPLPushErrorHandlerEx(&CollectErrors::handler, this); }
  ~CollectErrors() {
    CPLErrorReset();
    CPLPopErrorHandler();
  }
};

}  // namespace

std::string raster_problem(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "is a directory";
  if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  GDALAllRegister();
  CollectErrors errors;
  GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr);
  if (!ds) {
    std::string msg = errors.first;
    for (char& c : msg)
      if (c == '\n' || c == '\r') c = ' ';
    return msg.empty() ? "not a raster GDAL can read" : "not a raster GDAL can read (" + msg + ")";
  }
  const bool bands = GDALGetRasterCount(ds) > 0;
  GDALClose(ds);
  return bands ? std::string() : "the raster has no bands";
}

}  // namespace lib3d
