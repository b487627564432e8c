// End-to-end relief load of a large raster: read (every k-th row and column), compile and first
// paint, against gdal_translate's nearest-neighbour reduction of the same file, with peak memory.
//
// Uses the 16384 x 16384 Float32 GeoTIFFs of the read benchmark in $R3D_BENCH_DIR or
// /tmp/r3d-bench (striped-N.tif: one row per strip; tiled-N.tif: 256 x 256 tiles), generating
// them when they are missing. For each file and k = 4, 8, 16:
//   read       lib3d::loading::read_relief, in a fresh child process; best of two runs; the peak
//              resident memory of that child above what it had at the start (after reading a
//              small file of the same layout, so that library code is already paged in)
//   translate  gdal_translate -outsize W/k H/k -r nearest to an uncompressed GeoTIFF; best of two;
//              the process's peak resident memory
//   view       (only with a display) in a fresh child with a 800 x 600 window: View::set_matrix
//              with the grid moved in, as the frame does, which compiles display list 1 and paints
//              once, split into compile and paint by timing compile-free paints (the best of three;
//              every timing ends with glFinish, so no rendering is left queued across the clock);
//              the resident memory the list added
// The page cache is warm (the files were just written or read): cold reads need root to drop it.
// Goal: the read holds at most 1 MB above the reduced grid, printed as a RESULT line per layout.
//   bench_load [size] [--no-view]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <cpl_string.h>
#include <gdal.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <GL/gl.h>

#include "terrain/Loading.h"
#include "view/View.h"

#include "bench/BenchRaster.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Resident and peak resident memory of this process in bytes, from /proc/self/status.
struct Rss {
  double now = 0, peak = 0;
};
Rss read_rss() {
  Rss r;
  std::ifstream f("/proc/self/status");
  std::string key;
  while (f >> key) {
    double kb = 0;
    if (key == "VmRSS:" && f >> kb) r.now = kb * 1024;
    else if (key == "VmHWM:" && f >> kb) r.peak = kb * 1024;
    f.ignore(1 << 20, '\n');
  }
  return r;
}

// Resets the peak to the current resident size (Linux: "5" to clear_refs), so that a child
// measures its own peak and not the one it inherited.
void reset_peak() {
  std::ofstream f("/proc/self/clear_refs");
  f << "5";
}

using benchraster::exists;
using benchraster::generate;
using benchraster::value_at;

// What a child sends back.
struct Result {
  int ok = 0;
  double read = 0, setMatrix = 0, paint = 0;
  double startRss = 0, peakRss = 0, afterReadRss = 0, afterViewRss = 0;
  double cells = 0;
  int checked = 0;  // sampled cells that equal the file's pixel (r*k, c*k)
};

Result in_child(const std::function<Result()>& fn) {
  Result res;
  int fds[2];
  if (::pipe(fds) != 0) return res;
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    Result r = fn();
    const ssize_t n = ::write(fds[1], &r, sizeof r);
    ::_exit(n == sizeof r ? 0 : 1);
  }
  ::close(fds[1]);
  if (pid < 0 || ::read(fds[0], &res, sizeof res) != sizeof res) res.ok = 0;
  ::close(fds[0]);
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  return res;
}

int verify(const std::vector<float>& h, std::size_t cols, std::size_t rows, std::size_t k) {
  int good = 0;
  for (int i = 0; i < 64; ++i) {
    const std::size_t r = (rows * static_cast<std::size_t>(i)) / 64, c = (cols * static_cast<std::size_t>(i * 37 % 64)) / 64;
    if (r < rows && c < cols && h[r * cols + c] == value_at(static_cast<int>(c * k), static_cast<int>(r * k))) ++good;
  }
  return good;
}

// Reads a small file of the same layout first, so that the code of GDAL's drivers and of the
// layer is paged in before the peak is reset: the figure is then the data, not the libraries.
void warm_up(const std::string& small, std::size_t k) {
  std::vector<float> h;
  std::size_t c = 0, r = 0;
  lib3d::loading::read_relief(small, k, k, h, c, r);
}

Result measure_read(const std::string& path, const std::string& small, std::size_t k) {
  return in_child([&] {
    Result r;
    warm_up(small, k);
    reset_peak();
    const Rss start = read_rss();
    std::vector<float> heights;
    std::size_t cols = 0, rows = 0;
    const auto t0 = Clock::now();
    r.ok = lib3d::loading::read_relief(path, k, k, heights, cols, rows);
    r.read = seconds_since(t0);
    const Rss end = read_rss();
    r.startRss = start.now;
    r.peakRss = end.peak;
    r.cells = static_cast<double>(cols) * rows;
    r.checked = r.ok ? verify(heights, cols, rows, k) : 0;
    return r;
  });
}

// gdal_translate as its own process; its peak memory from wait4's rusage.
bool run_translate(const std::string& path, int size, std::size_t k, double* secs, double* peak) {
  const std::string out = path + ".translated.tif";
  const std::string w = std::to_string(size / static_cast<int>(k));
  const auto t0 = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0) ::dup2(devnull, 1);
    ::execlp("gdal_translate", "gdal_translate", "-q", "-of", "GTiff", "-outsize", w.c_str(), w.c_str(), "-r",
             "nearest", path.c_str(), out.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage ru {};
  if (pid < 0 || ::wait4(pid, &status, 0, &ru) != pid) return false;
  *secs = seconds_since(t0);
  *peak = static_cast<double>(ru.ru_maxrss) * 1024;
  std::remove(out.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void pump(int ms) {
  wxEventLoopBase* created = nullptr;
  if (!wxEventLoopBase::GetActive()) {
    created = wxTheApp->GetTraits()->CreateEventLoop();
    wxEventLoopBase::SetActive(created);
  }
  const auto t0 = Clock::now();
  do {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (loop->Pending()) loop->Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
    ::usleep(2000);
  } while (seconds_since(t0) * 1000 < ms);
  if (created) {
    wxEventLoopBase::SetActive(nullptr);
    delete created;
  }
}

class BenchApp : public wxApp {
public:
  bool OnInit() override { return true; }
};

Result measure_view(const std::string& path, const std::string& small, std::size_t k, int argc, char** argv) {
  return in_child([&] {
    Result r;
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return r;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench", wxDefaultPosition, wxSize(800, 600));
    auto* view = new lib3d::View();
    view->Create(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize());
    frame->Show();
    for (int i = 0; i < 300 && !view->IsShownOnScreen(); ++i) pump(10);
    pump(100);
    if (!view->IsShownOnScreen()) return r;

    std::vector<float> heights;
    std::size_t cols = 0, rows = 0;
    warm_up(small, k);
    reset_peak();
    r.startRss = read_rss().now;
    auto t0 = Clock::now();
    if (!lib3d::loading::read_relief(path, k, k, heights, cols, rows)) return r;
    r.read = seconds_since(t0);
    r.afterReadRss = read_rss().now;
    const std::vector<float> sample(heights.begin(), heights.begin() + std::min<std::size_t>(heights.size(), 1));
    t0 = Clock::now();
    view->set_matrix(std::move(heights), cols, rows);  // takes the grid, compiles display list 1, paints
    glFinish();
    r.setMatrix = seconds_since(t0);
    r.paint = 1e30;
    for (int i = 0; i < 3; ++i) {
      t0 = Clock::now();
      view->set_scaleZ(view->scale_z());  // a paint without compile
      glFinish();
      r.paint = std::min(r.paint, seconds_since(t0));
    }
    const Rss end = read_rss();
    r.afterViewRss = end.now;
    r.peakRss = end.peak;
    r.cells = static_cast<double>(cols) * rows;
    r.ok = view->has_surface() && !sample.empty() ? 1 : 0;
    r.checked = sample.empty() ? 0 : sample[0] == value_at(0, 0) ? 64 : 0;
    // Leaving without tearing down: the child ends here.
    return r;
  });
}

double mb(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
  int size = 16384;
  bool view = std::getenv("DISPLAY") != nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-view") == 0) view = false;
    else size = std::max(256, std::atoi(argv[i]));
  }
  GDALAllRegister();
  const char* envDir = std::getenv("R3D_BENCH_DIR");
  const std::string dir = envDir && *envDir ? envDir : "/tmp/r3d-bench";
  ::mkdir(dir.c_str(), 0755);

  std::printf("load benchmark: %d x %d Float32, warm page cache%s\n", size, size, view ? "" : ", no display: read only");
  double worstAbove[2] = {0, 0};  // MB above the grid during a read, striped and tiled
  for (const bool tiled : {false, true}) {
    const std::string path = dir + (tiled ? "/tiled-" : "/striped-") + std::to_string(size) + ".tif";
    const std::string small = dir + (tiled ? "/warm-tiled-512.tif" : "/warm-striped-512.tif");
    if (!generate(path, size, tiled) || !generate(small, 512, tiled)) {
      std::printf("cannot create %s\n", path.c_str());
      return 1;
    }
    for (const std::size_t k : {std::size_t(4), std::size_t(8), std::size_t(16)}) {
      Result best;
      best.read = 1e30;
      for (int rep = 0; rep < 2; ++rep) {
        const Result r = measure_read(path, small, k);
        if (!r.ok) {
          std::printf("%s k=%zu: read failed\n", path.c_str(), k);
          return 1;
        }
        if (r.read < best.read) best = r;
      }
      double tr = 1e30, trPeak = 0;
      for (int rep = 0; rep < 2; ++rep) {
        double s = 0, p = 0;
        if (!run_translate(path, size, k, &s, &p)) {
          tr = -1;
          break;
        }
        tr = std::min(tr, s);
        trPeak = std::max(trPeak, p);
      }
      const double grid = best.cells * sizeof(float);
      worstAbove[tiled] = std::max(worstAbove[tiled], mb(best.peakRss - best.startRss - grid));
      std::printf("%-7s k=%-2zu grid %zux%zu (%.1f MB)  read %.3f s  gdal_translate %.3f s  (translate/read %.2f)\n",
                  tiled ? "tiled" : "striped", k, static_cast<std::size_t>(size) / k, static_cast<std::size_t>(size) / k,
                  mb(grid), best.read, tr, tr > 0 ? tr / best.read : 0.0);
      std::printf("        read peak RSS %.1f MB (start %.1f MB, +%.1f MB = grid + %.1f MB)  gdal_translate peak %.1f MB"
                  "  cells checked %d/64\n",
                  mb(best.peakRss), mb(best.startRss), mb(best.peakRss - best.startRss),
                  mb(best.peakRss - best.startRss - grid), mb(trPeak), best.checked);
      // A list holds a few hundred bytes a cell on llvmpipe: beyond ~4 M cells it needs gigabytes
      // and paints take tens of seconds on a shared machine.
      constexpr double kMaxViewCells = 4.2e6;
      if (view && best.cells > kMaxViewCells) {
        std::printf("        view: skipped (%.1f M cells; the list alone would take several GB)\n", best.cells / 1e6);
      } else if (view) {
        const Result v = measure_view(path, small, k, argc, argv);
        if (!v.ok) {
          std::printf("        view: no surface (window not realised?)\n");
          continue;
        }
        const double list = v.afterViewRss - v.afterReadRss;  // the grid moved into the view
        std::printf("        view: read %.3f s  set_matrix %.3f s = compile %.3f s + paint %.3f s"
                    "  | list ~%.1f MB, peak +%.1f MB over start (one grid %.1f MB + list + %.1f MB)\n",
                    v.read, v.setMatrix, v.setMatrix - v.paint, v.paint, mb(list), mb(v.peakRss - v.startRss),
                    mb(grid), mb(v.peakRss - v.startRss - grid - list));
      }
    }
  }
  for (const bool tiled : {false, true})
    std::printf("RESULT\tread %s %d²: memory above the reduced grid <= 1 MB (warm)\t%.2f MB\t%s\n",
                tiled ? "tiled" : "striped", size, worstAbove[tiled], worstAbove[tiled] <= 1.0 ? "PASS" : "FAIL");
  return 0;
}
