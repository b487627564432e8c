// The relief loader against the ways GDAL offers to read every k-th row and column, and against
// reading just the bytes of the needed rows.
//
// Generates (once, reused afterwards) Float32 GeoTIFFs of 8192² and 16384², striped (one row per
// strip) and tiled (256 x 256), in $R3D_BENCH_DIR or /tmp/r3d-bench, then times for k = 4, 16:
//   loader   lib3d::loading::read_relief, open to float grid (what the viewer does)
//   naive    one RasterIO per kept row through GDAL's default block cache, every k-th value kept
//   direct   the same with the GeoTIFF driver's direct-IO mode
//   bytes    pread of exactly the kept rows' bytes (their strips, or their pieces of each tile),
//            offsets looked up before the clock starts: the floor for a row-wise reader
//   bytes2   the same preads shared by two threads, as the loader shares an uncompressed file's
//            rows; naive, direct and bytes run on one thread
// Each figure is the median of 5 runs, each in a fresh child process (forked before any read, so
// GDAL's cache and the heap start empty; see run_once for the one set-up left out of the time). The methods take turns run by run, so that whatever else
// the machine runs weighs on all of them alike. The file is in the page cache (warm cache: cold
// reads need the page cache dropped, which needs root and disturbs everything else running).
// Every goal is printed as one line "RESULT<TAB>goal<TAB>measured<TAB>PASS|FAIL".
//   bench_read [size ...]      (default 8192 16384; small sizes make quick trial runs)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <cpl_conv.h>
#include <gdal.h>

#include "terrain/Loading.h"

#include "bench/BenchRaster.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double seconds = 1e30;
  double sum = -1;  // checksum of the kept cells: every method must agree
};

// Runs `fn` once in a fresh child process. The first dataset GDAL closes in a forked process costs
// about 5 ms more (measured on a 1024² file: 4.4-5.2 ms against 0.01 ms), a set-up a viewer pays
// once a session, not once a load: each child opens and closes `path` before the clock starts,
// whatever method it runs.
Timing run_once(const std::function<double()>& fn, const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return Timing();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly)) GDALClose(ds);
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
  return got ? t : Timing();
}

// Runs every method kRuns times, taking turns, and gives each one's median run (a failed run
// counts as endless; its checksum stays -1).
constexpr int kRuns = 5;
std::vector<Timing> measure(const std::vector<std::function<double()>>& methods, const std::string& path) {
  std::vector<std::vector<Timing>> runs(methods.size());
  for (int i = 0; i < kRuns; ++i)
    for (std::size_t m = 0; m < methods.size(); ++m) runs[m].push_back(run_once(methods[m], path));
  std::vector<Timing> out;
  for (auto& r : runs) {
    std::sort(r.begin(), r.end(), [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    out.push_back(r[kRuns / 2]);
    for (const Timing& t : r)
      if (t.sum < 0) out.back().sum = -1;
  }
  return out;
}

double checksum(const std::vector<float>& grid) {
  double sum = 0;
  for (std::size_t i = 0; i < grid.size(); i += 97) sum += grid[i];
  return sum + static_cast<double>(grid.size());
}

double loader(const std::string& path, int k) {
  std::vector<float> grid;
  std::size_t cols = 0, rows = 0;
  if (!lib3d::loading::read_relief(path, k, k, grid, cols, rows)) return -1;
  return checksum(grid);
}

double gdal_rows(const std::string& path, int k, bool direct) {
  if (direct) CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", "YES");
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (direct) CPLSetThreadLocalConfigOption("GTIFF_DIRECT_IO", nullptr);
  if (!ds) return -1;
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  const int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  const int cols = w / k, rows = h / k;
  std::vector<float> row(w), grid(static_cast<std::size_t>(cols) * rows);
  bool ok = true;
  for (int r = 0; r < rows && ok; ++r) {
    ok = GDALRasterIO(band, GF_Read, 0, r * k, w, 1, row.data(), w, 1, GDT_Float32, 0, 0) == CE_None;
    for (int c = 0; c < cols; ++c) grid[static_cast<std::size_t>(r) * cols + c] = row[static_cast<std::size_t>(c) * k];
  }
  GDALClose(ds);
  return ok ? checksum(grid) : -1;
}

// Byte ranges of the kept rows, one per strip or tile piece: (file offset, bytes).
std::vector<std::pair<long, long>> kept_row_ranges(const std::string& path, int k) {
  std::vector<std::pair<long, long>> out;
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (!ds) return out;
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  int bw = 0, bh = 0;
  GDALGetBlockSize(band, &bw, &bh);
  const int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
  const int blocksX = (w + bw - 1) / bw;
  std::map<std::pair<int, int>, long> offsets;
  char key[64];
  for (int y = 0; y / k < h / k; y += k) {
    for (int bx = 0; bx < blocksX; ++bx) {
      const std::pair<int, int> block{bx, y / bh};
      auto it = offsets.find(block);
      if (it == offsets.end()) {
        std::snprintf(key, sizeof key, "BLOCK_OFFSET_%d_%d", bx, y / bh);
        const char* off = GDALGetMetadataItem(band, key, "TIFF");
        it = offsets.emplace(block, off ? std::atol(off) : -1).first;
      }
      out.emplace_back(it->second + static_cast<long>(y % bh) * bw * 4, static_cast<long>(bw) * 4);
    }
  }
  GDALClose(ds);
  return out;
}

// Reads `ranges` on `threads` threads, each taking every threads-th range.
double needed_bytes(const std::string& path, const std::vector<std::pair<long, long>>& ranges, int threads) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return -1;
  long most = 0;
  for (const auto& r : ranges) most = std::max(most, r.second);
  std::vector<double> sums(threads, 0);
  auto part = [&](int t) {
    std::vector<char> buf(static_cast<std::size_t>(most));
    for (std::size_t i = t; i < ranges.size(); i += threads) {
      if (::pread(fd, buf.data(), static_cast<std::size_t>(ranges[i].second), ranges[i].first) != ranges[i].second) {
        sums[t] = -1e30;
        return;
      }
      sums[t] += buf[0];
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(part, t);
  part(0);
  for (auto& h : helpers) h.join();
  ::close(fd);
  double sum = 0;
  for (double s : sums) sum += s;
  return sum < 0 ? -1 : sum;
}

struct Row {
  Timing loader, naive, direct, bytes, bytes2;
};

// Other programs share the cores and the memory bus: their load is part of every figure.
void print_load(const char* when) {
  char text[128] = "unknown\n";
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (!std::fgets(text, sizeof text, f)) std::snprintf(text, sizeof text, "unknown\n");
    std::fclose(f);
  }
  std::printf("load average %s: %s", when, text);
}

void result(const std::string& goal, double measured, bool pass) {
  std::printf("RESULT\t%s\t%.2fx\t%s\n", goal.c_str(), measured, pass ? "PASS" : "FAIL");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {8192, 16384};
  const char* envDir = std::getenv("R3D_BENCH_DIR");
  const std::string dir = envDir && *envDir ? envDir : "/tmp/r3d-bench";
  ::mkdir(dir.c_str(), 0755);
  GDALAllRegister();
  print_load("before");
  std::printf("read bench: Float32 GeoTIFFs, every k-th row and column, warm page cache, median of %d runs taken in "
              "turns (GDAL %s); the loader reads on 2 threads, naive, direct and bytes on 1\n",
              kRuns, GDALVersionInfo("RELEASE_NAME"));
  std::printf("%-8s %6s %3s %9s %9s %9s %9s %9s %12s %13s %13s %14s\n", "layout", "size", "k", "loader s", "naive s",
              "direct s", "bytes s", "bytes2 s", "naive/loader", "loader/direct", "loader/bytes", "loader/bytes2");
  std::map<std::string, Row> rows;
  int bad = 0;
  for (const int size : sizes) {
    for (const bool tiled : {false, true}) {
      const char* name = tiled ? "tiled" : "striped";
      const std::string path = dir + "/" + name + "-" + std::to_string(size) + ".tif";
      if (size < 256 || !benchraster::generate(path, size, tiled)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      // Bring the file into the page cache so that every method starts warm.
      std::system(("cat '" + path + "' > /dev/null").c_str());
      for (const int k : {4, 16}) {
        const auto ranges = kept_row_ranges(path, k);
        const auto t = measure({[&] { return loader(path, k); }, [&] { return gdal_rows(path, k, false); },
                                [&] { return gdal_rows(path, k, true); }, [&] { return needed_bytes(path, ranges, 1); },
                                [&] { return needed_bytes(path, ranges, 2); }},
                               path);
        const Row r{t[0], t[1], t[2], t[3], t[4]};
        if (r.loader.sum < 0 || r.loader.sum != r.naive.sum || r.loader.sum != r.direct.sum || r.bytes.sum < 0 ||
            r.bytes2.sum != r.bytes.sum) {
          std::fprintf(stderr, "%s %d k=%d: methods disagree or failed (%g %g %g %g %g)\n", name, size, k,
                       r.loader.sum, r.naive.sum, r.direct.sum, r.bytes.sum, r.bytes2.sum);
          ++bad;
        }
        std::printf("%-8s %6d %3d %9.4f %9.4f %9.4f %9.4f %9.4f %12.2f %13.2f %13.2f %14.2f\n", name, size, k,
                    r.loader.seconds, r.naive.seconds, r.direct.seconds, r.bytes.seconds, r.bytes2.seconds,
                    r.naive.seconds / r.loader.seconds, r.loader.seconds / r.direct.seconds,
                    r.loader.seconds / r.bytes.seconds, r.loader.seconds / r.bytes2.seconds);
        std::fflush(stdout);
        rows[std::string(name) + std::to_string(size) + "k" + std::to_string(k)] = r;
      }
    }
  }
  auto ratio = [&](const std::string& key, bool overNaive, bool overDirect) -> double {
    const auto it = rows.find(key);
    if (it == rows.end()) return -1;
    const Row& r = it->second;
    if (overNaive) return r.naive.seconds / r.loader.seconds;
    return r.loader.seconds / (overDirect ? r.direct.seconds : r.bytes.seconds);
  };
  struct Goal {
    const char* text;
    const char* key;
    bool overNaive, overDirect;
    double limit;  // at least (over naive) or at most
  } goals[] = {
      {"read striped 8192² k=16: loader / direct-IO rows <= 1.1x (warm)", "striped8192k16", false, true, 1.1},
      {"read striped 16384² k=16: naive / loader >= 5x (warm)", "striped16384k16", true, false, 5},
      {"read striped 16384² k=4: loader / kept rows' bytes <= 1.3x (warm)", "striped16384k4", false, false, 1.3},
      {"read tiled 8192² k=4: naive / loader >= 6x (warm)", "tiled8192k4", true, false, 6},
      {"read tiled 16384² k=4: naive / loader >= 7x (warm)", "tiled16384k4", true, false, 7},
      {"read tiled 16384² k=16: naive / loader >= 10x (warm)", "tiled16384k16", true, false, 10},
  };
  for (const Goal& g : goals) {
    const double m = ratio(g.key, g.overNaive, g.overDirect);
    if (m < 0) continue;  // size not run
    result(g.text, m, g.overNaive ? m >= g.limit : m <= g.limit);
  }
  print_load("after");
  return bad ? 1 : 0;
}
