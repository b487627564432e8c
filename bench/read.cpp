// Reading every k-th full-resolution row of a large raster, the viewer's loading pattern.
//
// Generates (once, reused afterwards) two 16384 x 16384 Float32 GeoTIFFs, striped (one row per
// strip) and tiled (256 x 256), in $R3D_BENCH_DIR or /tmp/r3d-bench, then times for k = 2, 4, 16:
//   layer      CFileLayer::ReadRow of rows 0, k, 2k, ... (what the viewer does)
//   naive      one RasterIO per row through GDAL's default block cache
//   direct     one RasterIO per row with the GeoTIFF direct-IO mode (for comparison)
//   translate  gdal_translate -outsize W/k H/k -r nearest to an uncompressed GeoTIFF (a process)
// and prints seconds and the ratios naive/layer and translate/layer. Each figure is the best of
// two runs, each in a fresh child process, with the file already in the page cache (warm):
// dropping the page cache needs root, so cold reads are not measured here.
//   bench_read [size]       (size defaults to 16384; smaller sizes make quick trial runs)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>

#include "hostlib/FileLayer.h"

#include "bench/BenchRaster.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double seconds = 1e30;
  double sum = -1;
};

// Runs `fn` in a fresh child process (forked before any GDAL read, so GDAL's block cache and the
// heap start empty, as when the viewer opens a file) and returns the best of `repeats` runs.
Timing measure(const std::function<double()>& fn, int repeats = 2) {
  Timing best;
  for (int i = 0; i < repeats; ++i) {
    int fds[2];
    if (::pipe(fds) != 0) return best;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      const auto t0 = Clock::now();
      Timing t;
      t.sum = fn();
      t.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
      const ssize_t n = ::write(fds[1], &t, sizeof t);
      ::_exit(n == sizeof t ? 0 : 1);
    }
    ::close(fds[1]);
    Timing t;
    const bool got = pid > 0 && ::read(fds[0], &t, sizeof t) == sizeof t;
    ::close(fds[0]);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    if (!got) return Timing();
    if (t.seconds < best.seconds) best = t;
  }
  return best;
}

using benchraster::exists;
using benchraster::generate;
using benchraster::value_at;

// Sum of the rows read, to check that every method read the same pixels.
double layer_read(const std::string& path, int k) {
  CFileLayer layer;
  if (!layer.Open(path.c_str())) return -1;
  std::vector<float> row(layer.Width());
  double sum = 0;
  for (int y = 0; y < layer.Height(); y += k) {
    if (!layer.ReadRow(row.data(), 0, y, layer.Width())) return -1;
    sum += row[y % layer.Width()];
  }
  return sum;
}

double gdal_read(const std::string& path, int k, bool direct) {
  if (direct) CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", "YES");
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (direct) CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", nullptr);
  if (!ds) return -1;
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  const int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  std::vector<float> row(w);
  double sum = 0;
  for (int y = 0; y < h; y += k) {
    if (GDALRasterIO(band, GF_Read, 0, y, w, 1, row.data(), w, 1, GDT_Float32, 0, 0) != CE_None) {
      sum = -1;
      break;
    }
    sum += row[y % w];
  }
  GDALClose(ds);
  return sum;
}

double translate(const std::string& path, const std::string& out, int size, int k) {
  const std::string cmd = "gdal_translate -q -of GTiff -r nearest -outsize " + std::to_string(size / k) + " " +
                          std::to_string(size / k) + " '" + path + "' '" + out + "'";
  const int rc = std::system(cmd.c_str());
  std::remove(out.c_str());
  return rc == 0 ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int size = argc > 1 ? std::atoi(argv[1]) : 16384;
  if (size < 256) {
    std::fprintf(stderr, "size must be at least 256\n");
    return 2;
  }
  const char* envDir = std::getenv("R3D_BENCH_DIR");
  const std::string dir = envDir && *envDir ? envDir : "/tmp/r3d-bench";
  ::mkdir(dir.c_str(), 0755);
  GDALAllRegister();
  struct File {
    const char* name;
    bool tiled;
  } files[] = {{"striped", false}, {"tiled", true}};
  std::printf("read bench: %d x %d Float32, every k-th row, warm page cache, best of 2 (GDAL %s)\n", size, size,
              GDALVersionInfo("RELEASE_NAME"));
  std::printf("%-8s %3s %9s %9s %9s %9s %11s %15s\n", "layout", "k", "layer s", "naive s", "direct s", "transl s",
              "naive/layer", "translate/layer");
  int bad = 0;
  for (const File& f : files) {
    const std::string path = dir + "/" + f.name + "-" + std::to_string(size) + ".tif";
    if (!generate(path, size, f.tiled)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    // Bring the file into the page cache so that every method starts warm.
    std::system(("cat '" + path + "' > /dev/null").c_str());
    for (int k : {2, 4, 16}) {
      const Timing layer = measure([&] { return layer_read(path, k); });
      const Timing naive = measure([&] { return gdal_read(path, k, false); });
      const Timing direct = measure([&] { return gdal_read(path, k, true); });
      const Timing trans = measure([&] { return translate(path, dir + "/out.tif", size, k); });
      const double tLayer = layer.seconds, tNaive = naive.seconds, tDirect = direct.seconds, tTrans = trans.seconds;
      if (layer.sum < 0 || layer.sum != naive.sum || layer.sum != direct.sum || trans.sum < 0) {
        std::fprintf(stderr, "%s k=%d: methods disagree or failed (%g %g %g %g)\n", f.name, k, layer.sum, naive.sum,
                     direct.sum, trans.sum);
        ++bad;
      }
      std::printf("%-8s %3d %9.3f %9.3f %9.3f %9.3f %11.1f %15.1f\n", f.name, k, tLayer, tNaive, tDirect, tTrans,
                  tNaive / tLayer, tTrans / tLayer);
      std::fflush(stdout);
    }
  }
  return bad ? 1 : 0;
}
