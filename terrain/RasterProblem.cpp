#include "terrain/RasterProblem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cpl_error.h>
#include <cpl_vsi.h>
#include <cpl_vsi_error.h>
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
  // URLs and GDAL's virtual paths are not files: GDAL alone can say what is wrong with them (the
  // host library reads a bare URL through /vsicurl/, and so does this check).
  const bool url = path.find("://") != std::string::npos && path.find('/') > path.find("://");
  const std::string source = url ? "/vsicurl/" + path : path;
  struct stat st;
  if (!url && path.compare(0, 4, "/vsi") != 0) {
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "is a directory";
    if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  }
  GDALAllRegister();
  if (url || path.compare(0, 4, "/vsi") == 0) {
    // The network's own answer (refused, timed out, HTTP 404) says more than "not a raster".
    VSIStatBufL vst;
    VSIErrorReset();
    if (VSIStatExL(source.c_str(), &vst, VSI_STAT_EXISTS_FLAG | VSI_STAT_SET_ERROR_FLAG) != 0) {
      const std::string msg = VSIGetLastErrorMsg();
      if (!msg.empty()) return msg;
      return url || source.find("/vsicurl") != std::string::npos ? "the server cannot be reached or has no such file"
                                                                 : "does not exist";
    }
  }
  CollectErrors errors;
  GDALDatasetH ds = GDALOpenEx(source.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr);
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
