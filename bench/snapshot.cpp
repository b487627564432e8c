// Snapshot benchmark: `relief3d-host --relief F --snapshot OUT.png` end to end (a new process with
// no display: start, plug-in, read, offscreen context, one paint without a display list, read-back,
// PNG) against what the viewer does for the same picture, measured in this process in the same run:
// read_relief + list compile + one paint, each up to glFinish. Beside it, the batch's own work in
// this process (read + the paint without a list), to show what starting a process adds. A 1024 x
// 1024 Float32 GeoTIFF generated into $R3D_BENCH_DIR or /tmp/r3d-bench, warm page cache (read once
// before timing), picture 638 x 403, medians of 5. The end-to-end cost of a 4 x 4 grid is printed
// too: what a run costs whatever the relief.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "terrain/Document.h"
#include "bench/BenchRaster.h"
#include "terrain/Loading.h"
#include "hostlib/RenderRequest.h"
#include "export/PictureFile.h"
#include "render/OffscreenContext.h"
#include "render/OffscreenRender.h"
#include "render/Scene.h"
#include "render/Renderer.h"
#include "render/ViewMath.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGrid = 1024, kRuns = 5;
constexpr double kGoal = 1.2;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Inner {
  double read = 0, compile = 0, paint = 0, direct = 0;
};

bool inner_run(const std::string& file, Inner& t) {
  std::vector<float> heights;
  std::size_t cols = 0, rows = 0;
  auto t0 = Clock::now();
  if (!lib3d::loading::read_relief(file, 1, 1, heights, cols, rows)) return false;
  t.read = seconds_since(t0);
  std::string error;
  auto ctx = lib3d::OffscreenContext::create(LIB3D_VIEW_WIDTH, LIB3D_VIEW_HEIGHT, error);
  if (!ctx) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  lib3d::Scene s;
  s.heights = heights.data();
  s.width = cols;
  s.height = rows;
  const auto range = lib3d::finite_range(heights.data(), heights.size());
  s.min = range.min;
  s.max = range.max;
  const std::vector<std::uint32_t> white(256, 0xFFFFFFu);
  s.palette = white.data();
  s.palette_count = white.size();
  lib3d::Renderer r;
  t0 = Clock::now();
  r.compile(s);
  glFinish();
  t.compile = seconds_since(t0);
  t0 = Clock::now();
  r.paint(s, LIB3D_VIEW_WIDTH, LIB3D_VIEW_HEIGHT);
  glFinish();
  t.paint = seconds_since(t0);
  r.discard();
  // What batch rendering itself does: the surface straight into the frame, no list.
  t0 = Clock::now();
  r.paint_direct(s, LIB3D_VIEW_WIDTH, LIB3D_VIEW_HEIGHT);
  t.direct = seconds_since(t0);
  return true;
}

double host_run(const std::string& host, const std::string& file, const std::string& out,
                const std::string& more = "") {
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY '" + host + "' --relief '" + file + "' --snapshot '" +
                          out + "' " + more + " >/dev/null";
  const auto t0 = Clock::now();
  const int st = std::system(cmd.c_str());
  const double s = seconds_since(t0);
  return WIFEXITED(st) && WEXITSTATUS(st) == 0 ? s : -1.0;
}

// A 36-picture turntable of the sample (exaggeration 3, tilt 50), end to end, against 36 single
// snapshots; and against its goal, one load and 36 times 1.2 one-picture costs, where a picture's
// cost is a single snapshot's less the load (both end to end, warm; the load timed in this process).
bool turntable(const std::string& host) {
  const std::string sample = R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif", dir = "/tmp/r3d-bench/turntable";
  std::system(("mkdir -p '" + dir + "'").c_str());
  const std::string look = "--exaggeration 3 --tilt 50";
  std::vector<double> turns, singles, loads;
  for (int i = 0; i < 3; ++i) {
    turns.push_back(host_run(host, sample, dir + "/f_%03d.png", look + " --turntable 36"));
    singles.push_back(host_run(host, sample, dir + "/one.png", look));
    lib3d::Document doc;
    lib3d::LoadError error;
    const auto t0 = Clock::now();
    if (turns.back() < 0 || singles.back() < 0 || !lib3d::load_document(sample, 1, 1, {}, nullptr, doc, error)) return false;
    loads.push_back(seconds_since(t0));
  }
  const double turn = median(turns), single = median(singles), load = median(loads);
  const double goal = load + 36 * 1.2 * (single - load);
  std::printf("turntable of the sample, 36 pictures: %.2f s end to end; 36 single snapshots %.2f s; load %.3f s\n",
              turn, 36 * single, load);
  std::printf("RESULT\tturntable 36 <= load + 36 x 1.2 one-picture costs\t%.2f s (goal %.2f s, 36 runs %.2f s)\t%s\n",
              turn, goal, 36 * single, turn <= goal ? "PASS" : "FAIL");
  return true;
}

// An 8000 x 6000 picture of the sample: what Save Picture does (the offscreen render in parts and
// the file, in this process) against --snapshot of the same state end to end; goal: under 3x.
bool big_picture(const std::string& host) {
  const std::string sample = R3D_SOURCE_DIR "/data/jacksboro_fault_dem.tif", dir = "/tmp/r3d-bench/turntable";
  const double snapshot = host_run(host, sample, dir + "/big-snapshot.png", "--size 8000x6000");
  lib3d::Document doc;
  lib3d::LoadError failure;
  if (snapshot < 0 || !lib3d::load_document(sample, 1, 1, {}, nullptr, doc, failure)) return false;
  const std::vector<std::uint32_t> white(256, 0xFFFFFFu);
  lib3d::Look look;
  look.palette = white;
  const auto t0 = Clock::now();
  lib3d::Picture picture;
  std::string error;
  bool bad_name = false;
  lib3d::PictureFile file;
  if (!file.open(dir + "/big-saved.png", error, bad_name) ||
      !lib3d::render_offscreen(lib3d::scene_of(doc, lib3d::Camera(), look), 8000, 6000, picture, error) ||
      !file.commit(picture, error))
    return false;
  const double saved = seconds_since(t0);
  std::printf("8000x6000 picture of the sample: Save Picture's work %.2f s, --snapshot end to end %.2f s\n", saved,
              snapshot);
  std::printf("RESULT\tSave Picture 8000x6000 < 3x --snapshot\t%.2fx\t%s\n", saved / snapshot,
              saved < 3 * snapshot ? "PASS" : "FAIL");
  return true;
}

}  // namespace

int main() {
  const char* envDir = std::getenv("R3D_BENCH_DIR");
  const std::string dir = envDir && *envDir ? envDir : "/tmp/r3d-bench";
  std::system(("mkdir -p '" + dir + "'").c_str());
  const std::string file = dir + "/snapshot_1024.tif";
  const std::string out = dir + "/snapshot_1024.png";
  const std::string tiny = dir + "/snapshot_4.tif";
  GDALAllRegister();
  if (!benchraster::generate(file, kGrid, false) || !benchraster::generate(tiny, 4, false)) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return 1;
  }
  const std::string host = R3D_BIN_DIR "/relief3d-host";
  Inner warm;
  if (!inner_run(file, warm) || host_run(host, file, out) < 0) {  // warms the page cache and Mesa
    std::fprintf(stderr, "snapshot bench: a run failed\n");
    return 1;
  }
  std::vector<double> reads, compiles, paints, sums, directs, ends, fixed;
  for (int i = 0; i < kRuns; ++i) {
    Inner t;
    if (!inner_run(file, t)) return 1;
    reads.push_back(t.read);
    compiles.push_back(t.compile);
    paints.push_back(t.paint);
    sums.push_back(t.read + t.compile + t.paint);
    directs.push_back(t.read + t.direct);
    ends.push_back(host_run(host, file, out));
    fixed.push_back(host_run(host, tiny, out));
    if (ends.back() < 0 || fixed.back() < 0) return 1;
  }
  const double sum = median(sums), end = median(ends);
  std::printf("snapshot bench: %d x %d Float32 striped GeoTIFF, %dx%d picture, warm page cache, medians of %d\n",
              kGrid, kGrid, LIB3D_VIEW_WIDTH, LIB3D_VIEW_HEIGHT, kRuns);
  std::printf("%-10s %-10s %-10s %-14s %-14s %s\n", "read s", "compile s", "paint s", "sum s", "end-to-end s", "ratio");
  std::printf("%-10.3f %-10.3f %-10.3f %-14.3f %-14.3f %.2fx\n", median(reads), median(compiles), median(paints), sum,
              end, end / sum);
  const double direct = median(directs);
  std::printf("the same process's own work in this process (read + one paint without a list): %.3f s; the run "
              "costs %.2fx that\n", direct, end / direct);
  std::printf("fixed cost of a run (a 4 x 4 grid end to end: process start, plug-in, GDAL, offscreen context, "
              "shader compile, PNG): %.3f s\n", median(fixed));
  std::printf("RESULT\tsnapshot %d^2 end to end <= %.1fx read+compile+paint (warm)\t%.2fx (%.2f s vs %.2f s)\t%s\n",
              kGrid, kGoal, end / sum, end, sum, end / sum <= kGoal ? "PASS" : "FAIL");
  return turntable(host) && big_picture(host) ? 0 : 1;
}
