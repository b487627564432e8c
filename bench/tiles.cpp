// Tiles benchmark: big georeferenced DEMs in the window, from the file to a sharp picture. A fractal
// relief (30 m cells, 2 km of relief, drawn at exaggeration 3, tilt 50, azimuth 20, 800 x 600, the
// start zoom) is generated once as a Float32 GeoTIFF into $R3D_BENCH_DIR or /tmp/r3d-bench and read
// with a warm page cache (read once before timing). For 4096^2 and 16384^2 at factors 1,1: time to
// the first picture and to the sharp one, peak resident memory (the 16384^2 run comes first), still frames and right-drag frames.
// The baseline, measured in the same run at 4096^2, is the same window drawing one display list of
// every cell. Last, the sharp picture against a brute-force one of every cell (offscreen), and the
// window's frame against the offscreen picture of the same state. Needs a display (xvfb-run).
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/init.h>

#include "bench/BenchRaster.h"
#include "render/OffscreenContext.h"
#include "render/Renderer.h"
#include "render/tiles/TileTree.h"
#include "terrain/MemoryFit.h"
#include "terrain/Document.h"
#include "view/View.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kW = 800, kH = 600;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double peak_resident_gib() {
  std::ifstream f("/proc/self/status");
  std::string key;
  long kb = 0;
  while (f >> key)
    if (key == "VmHWM:" && (f >> kb)) break;
  return kb / 1048576.0;
}

void pump() {
  for (int i = 0; i < 50 && wxTheApp->Pending(); ++i) wxTheApp->Dispatch();
  wxTheApp->ProcessIdle();
}

// Relief by successive doubling: each level interpolates the one before and adds noise 0.55 times
// as strong (a rough, mountain-like spectrum), from about 2 km down to decimetres a cell.
std::vector<float> fractal(int n) {
  std::vector<float> g{0, 600, 900, 1500};
  int m = 2;
  float amp = 500;
  const auto noise = [](std::uint32_t x, std::uint32_t y, std::uint32_t level) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ level * 0xcb1ab31fu;
    h ^= h >> 13, h *= 0x5bd1e995u, h ^= h >> 15;
    return (h & 0xFFFFFF) / float(0xFFFFFF) - 0.5f;
  };
  for (std::uint32_t level = 1; m < n; ++level) {
    const int m2 = std::min(2 * m, n);
    std::vector<float> next(static_cast<std::size_t>(m2) * m2);
    for (int y = 0; y < m2; ++y) {
      const float fy = std::min(y * 0.5f, m - 1.0f);
      const int y0 = std::min(static_cast<int>(fy), m - 2);
      const float v = fy - y0;
      for (int x = 0; x < m2; ++x) {
        const float fx = std::min(x * 0.5f, m - 1.0f);
        const int x0 = std::min(static_cast<int>(fx), m - 2);
        const float u = fx - x0;
        const float* a = &g[static_cast<std::size_t>(y0) * m + x0];
        const float h = (a[0] * (1 - u) + a[1] * u) * (1 - v) + (a[m] * (1 - u) + a[m + 1] * u) * v;
        next[static_cast<std::size_t>(y) * m2 + x] = h + amp * noise(x, y, level);
      }
    }
    g.swap(next);
    m = m2;
    amp *= 0.55f;
  }
  return g;
}

bool make_dem(const std::string& path, int n) {
  if (benchraster::exists(path)) return true;
  std::printf("generating %s ...\n", path.c_str());
  std::fflush(stdout);
  const std::vector<float> h = fractal(n);
  const std::string tmp = path + ".part";
  char** opts = CSLSetNameValue(nullptr, "BLOCKYSIZE", "16");
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), tmp.c_str(), n, n, 1, GDT_Float32, opts);
  CSLDestroy(opts);
  if (!ds) return false;
  double gt[6] = {500000, 30, 0, 5000000, 0, -30};
  GDALSetGeoTransform(ds, gt);
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(srs, 32633);
  char* wkt = nullptr;
  OSRExportToWkt(srs, &wkt);
  GDALSetProjection(ds, wkt);
  CPLFree(wkt);
  OSRDestroySpatialReference(srs);
  const bool ok = GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, n, n, const_cast<float*>(h.data()), n, n,
                               GDT_Float32, 0, 0) == CE_None;
  GDALClose(ds);
  return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

void warm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<char> buf(1 << 20);
  while (f.read(buf.data(), buf.size()) || f.gcount() > 0) {
  }
}

void send_mouse(lib3d::View* view, wxEventType type, int x, int y) {
  wxMouseEvent ev(type);
  ev.SetPosition(wxPoint(x, y));
  ev.SetEventObject(view);
  view->ProcessWindowEvent(ev);
}

// Pumps events until the view's last frame has every tile it wants; the time it took.
double until_sharp(lib3d::View* view, double* first_ms = nullptr) {
  const auto t0 = Clock::now();
  bool first = false;
  while (true) {
    const lib3d::PaintResult& p = view->last_paint();
    if (!first && p.tiles_drawn > 0 && first_ms) *first_ms += ms_since(t0), first = true;
    if (p.tiles_wanted > 0 && p.tiles_missing == 0) break;
    pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return ms_since(t0);
}

double still_ms(lib3d::View* view) {
  std::vector<double> t;
  for (int k = 0; k < 5; ++k) {
    const auto t0 = Clock::now();
    view->set_scaleZ(view->scale_z());  // one repaint, ending in glFinish and a swap
    t.push_back(ms_since(t0));
  }
  return median(t);
}

// Frames a second over a right-drag of 30 moves (each turns the relief and repaints), median.
double drag_fps(lib3d::View* view) {
  send_mouse(view, wxEVT_RIGHT_DOWN, kW / 2, kH / 2);
  std::vector<double> frames;
  for (int k = 1; k <= 30; ++k) {
    const auto t0 = Clock::now();
    send_mouse(view, wxEVT_MOTION, kW / 2 + 6 * k, kH / 2 - 2 * k);
    frames.push_back(ms_since(t0));
  }
  send_mouse(view, wxEVT_RIGHT_UP, kW / 2 + 180, kH / 2 - 60);
  view->set_rotation(50, 20);
  return 1000.0 / median(frames);
}

struct Shown {
  double load_ms = 0, first_ms = 0, sharp_ms = 0, still = 0, fps = 0, peak = 0;
  std::size_t tiles = 0;
};

// Loads the file and shows it; `keep` receives a copy of the heights when given.
bool show(lib3d::View* view, const std::string& path, Shown& out, lib3d::Document* keep) {
  lib3d::Document doc;
  lib3d::LoadError error;
  const auto t0 = Clock::now();
  if (!lib3d::load_document(path, 1, 1, lib3d::ReliefOptions(), nullptr, doc, error)) {
    std::fprintf(stderr, "%s\n", error.line().c_str());
    return false;
  }
  out.load_ms = ms_since(t0);
  view->set_scaleZ(static_cast<float>(3 * lib3d::true_scale_z(doc.geo, doc.max - doc.min, doc.width, doc.height)));
  view->set_rotation(50, 20);
  if (keep) *keep = doc;
  view->set_relief(std::move(doc.heights), doc.width, doc.height, doc.geo, doc.holes);
  out.first_ms = ms_since(t0);
  out.sharp_ms = ms_since(t0) + until_sharp(view, &out.first_ms);
  out.peak = peak_resident_gib();
  out.tiles = view->last_paint().tiles_drawn;
  out.still = still_ms(view);
  out.fps = drag_fps(view);
  until_sharp(view);
  return true;
}

struct Compared {
  std::size_t differing = 0, over16 = 0;
  int largest = 0;
};

Compared compare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  Compared c;
  for (std::size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3) {
    int d = 0;
    for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a[i + k] - b[i + k]));
    c.differing += d > 0, c.over16 += d > 16, c.largest = std::max(c.largest, d);
  }
  return c;
}

void result(const char* goal, double measured, const char* unit, bool pass) {
  std::printf("RESULT\t%s\t%.2f %s\t%s\n", goal, measured, unit, pass ? "PASS" : "FAIL");
}

}  // namespace

class BenchApp : public wxApp {
public:
  bool OnInit() override { return true; }
};

int main(int argc, char** argv) {
  GDALAllRegister();
  const char* env = std::getenv("R3D_BENCH_DIR");
  const std::string dir = env && *env ? env : "/tmp/r3d-bench";
  ::mkdir(dir.c_str(), 0755);
  const std::string dem4 = dir + "/fractal-4096.tif", dem16 = dir + "/fractal-16384.tif";
  if (!make_dem(dem4, 4096) || !make_dem(dem16, 16384)) {
    std::fprintf(stderr, "cannot write the rasters into %s\n", dir.c_str());
    return 1;
  }
  wxApp::SetInstance(new BenchApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "cannot start wx (run under xvfb-run)\n");
    return 2;
  }
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "tiles bench");
  frame->SetClientSize(kW, kH);
  lib3d::View* view = lib3d::View::make(frame, {}, 0, 0, wxRect(0, 0, kW, kH));
  frame->Show();
  while (!view->IsShownOnScreen()) pump();
  std::vector<std::uint32_t> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = static_cast<std::uint32_t>(i | (255 - i) << 8 | 128 << 16);
  view->set_palette(palette);

  std::printf("warm page cache; %dx%d; exaggeration 3, tilt 50, azimuth 20\n", kW, kH);
  std::printf("%-22s %9s %10s %10s %9s %9s %8s %7s\n", "", "load ms", "first ms", "sharp ms", "still ms", "drag fps",
              "peak GiB", "tiles");
  const auto row = [](const char* name, const Shown& s) {
    std::printf("%-22s %9.0f %10.0f %10.0f %9.1f %9.1f %8.2f %7zu\n", name, s.load_ms, s.first_ms, s.sharp_ms, s.still,
                s.fps, s.peak, s.tiles);
    std::fflush(stdout);
  };

  // 16384^2 first, so that its peak resident memory is its own.
  warm(dem16);
  Shown tiled16;
  if (!show(view, dem16, tiled16, nullptr)) return 1;
  row("16384^2 tiles", tiled16);
  view->set_relief({0, 0, 0, 0}, 2, 2, lib3d::Georef());  // peak memory is read above: let it go


  // 4096^2: tiles, then the baseline (one display list) on the same heights.
  warm(dem4);
  Shown tiled4, list4;
  lib3d::Document kept;
  if (!show(view, dem4, tiled4, &kept)) return 1;
  row("4096^2 tiles", tiled4);
  std::vector<float> again = kept.heights;
  view->renderer().set_tiling(UINT64_MAX, lib3d::tiles::TileTree::kTileCells);
  auto t0 = Clock::now();
  view->set_relief(std::move(again), kept.width, kept.height, kept.geo, kept.holes);
  list4.sharp_ms = list4.first_ms = ms_since(t0);
  list4.still = still_ms(view);
  list4.fps = drag_fps(view);
  row("4096^2 one list (base)", list4);
  view->set_relief({0, 0, 0, 0}, 2, 2, lib3d::Georef());  // let the list go

  // The sharp picture against every cell drawn, and the window against the picture: at the start
  // zoom (about 14 cells a pixel) and at 400 % (about 1.7 cells a pixel).
  view->renderer().set_tiling(lib3d::loading::kTiledAboveCells, lib3d::tiles::TileTree::kTileCells);
  std::vector<float> third = kept.heights;
  view->set_relief(std::move(third), kept.width, kept.height, kept.geo, kept.holes);
  std::size_t window_differs = 0;
  for (int zoom : {-2, 4}) {
    view->set_zoom_level(zoom);
    until_sharp(view);
    const wxImage window = view->read_last_frame();
    const std::vector<unsigned char> window_rgb(window.GetData(), window.GetData() + 3 * kW * kH);
    std::string error;
    auto ctx = lib3d::OffscreenContext::create(kW, kH, error);
    if (!ctx) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    const lib3d::Scene s = view->scene();
    lib3d::Renderer brute, tiles;
    brute.set_tiling(UINT64_MAX, lib3d::tiles::TileTree::kTileCells);
    t0 = Clock::now();
    brute.paint_direct(s, kW, kH);
    const double brute_ms = ms_since(t0);
    const lib3d::Picture every = lib3d::Renderer::read_pixels(kW, kH);
    t0 = Clock::now();
    const std::size_t drawn = tiles.paint_direct(s, kW, kH).tiles_drawn;
    const double picture_ms = ms_since(t0);
    const lib3d::Picture tiled = lib3d::Renderer::read_pixels(kW, kH);
    const Compared error_px = compare(every.rgb, tiled.rgb), window_px = compare(window_rgb, tiled.rgb);
    window_differs += window_px.differing;
    std::printf("4096^2 at zoom %d: picture of every cell %.0f ms, from %zu tiles %.0f ms (measure, build, draw)\n",
                zoom, brute_ms, drawn, picture_ms);
    std::printf("  tiles vs every cell: %zu of %d pixels differ, %zu by more than 16 levels, at most %d\n",
                error_px.differing, kW * kH, error_px.over16, error_px.largest);
    std::printf("  window vs picture: %zu pixels differ, at most %d\n", window_px.differing, window_px.largest);
  }

  result("4096^2 still frame <= 250 ms (list: see above)", tiled4.still, "ms", tiled4.still <= 250);
  result("4096^2 right-drag >= 25 fps", tiled4.fps, "fps", tiled4.fps >= 25);
  result("4096^2 tiles: still frame vs one list", list4.still / tiled4.still, "x faster", tiled4.still < list4.still);
  result("16384^2 at 1,1: first picture <= 10 s", tiled16.first_ms / 1000, "s", tiled16.first_ms <= 10000);
  result("16384^2 still frame <= 500 ms", tiled16.still, "ms", tiled16.still <= 500);
  result("16384^2 right-drag >= 20 fps", tiled16.fps, "fps", tiled16.fps >= 20);
  result("16384^2 peak resident <= 3 GiB", tiled16.peak, "GiB", tiled16.peak <= 3);
  result("window equals picture (4096^2, two zooms)", static_cast<double>(window_differs), "px", window_differs == 0);
  frame->Destroy();
  pump();
  wxEntryCleanup();
  return 0;
}
