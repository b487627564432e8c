// Render benchmark: the view's compile, first paint, repaint and pick on synthetic terrain, against
// the same mesh built, uploaded and drawn as one indexed vertex buffer with the same lighting; and
// the frame rate of a right-drag at 1000 x 1000 (goal >= 25 fps, printed as a RESULT line). Needs a
// display (xvfb-run). Nothing is read from disk.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/init.h>

#include "terrain/Document.h"
#include "view/View.h"
#include "render/ViewMath.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kW = 800, kH = 600, kRuns = 7;

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

long rss_bytes() {
  std::ifstream f("/proc/self/statm");
  long pages = 0, resident = 0;
  f >> pages >> resident;
  return resident * 4096L;
}

void pump() {
  for (int i = 0; i < 50 && wxTheApp->Pending(); ++i) wxTheApp->Dispatch();
  wxTheApp->ProcessIdle();
}

std::vector<float> terrain(int n) {
  std::vector<float> m(static_cast<std::size_t>(n) * n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      m[static_cast<std::size_t>(r) * n + c] =
          100.0f * std::sin(c * 0.05f) * std::cos(r * 0.037f) + 20.0f * std::sin((c + r) * 0.31f);
  return m;
}

std::vector<std::uint32_t> ramp() {
  std::vector<std::uint32_t> p(256);
  for (int i = 0; i < 256; ++i) p[i] = static_cast<std::uint32_t>(i | (255 - i) << 8 | 128 << 16);
  return p;
}

// The same mesh as one indexed triangle list: position, normal and colour per vertex.
struct VboMesh {
  GLuint buffers[2] = {0, 0};
  GLsizei index_count = 0;
  std::size_t vertex_count = 0;
};

VboMesh build_vbo(const std::vector<float>& m, int n, const std::vector<std::uint32_t>& pal) {
  namespace vm = lib3d::viewmath;
  const lib3d::HeightRange r = lib3d::finite_range(m.data(), m.size());
  struct V {
    float p[3], nrm[3];
    std::uint32_t colour;
  };
  std::vector<V> verts(m.size());
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * n + x;
      V& v = verts[i];
      v.p[0] = static_cast<float>(x);
      v.p[1] = static_cast<float>(y);
      v.p[2] = m[i];
      const float hx = x + 1 < n ? m[i + 1] : m[i], hy = y + 1 < n ? m[i + n] : m[i];
      vm::cell_normal(m[i], hx, hy, v.nrm);
      v.colour = pal[vm::palette_index(m[i], r.min, r.max, pal.size())] | 0xFF000000u;
    }
  std::vector<GLuint> idx;
  idx.reserve(static_cast<std::size_t>(n - 1) * (n - 1) * 6);
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      const GLuint a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      idx.insert(idx.end(), {c, a, b, c, b, d});
    }
  VboMesh mesh;
  glGenBuffers(2, mesh.buffers);
  glBindBuffer(GL_ARRAY_BUFFER, mesh.buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, verts.size() * sizeof(V), verts.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.buffers[1]);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, idx.size() * sizeof(GLuint), idx.data(), GL_STATIC_DRAW);
  glVertexPointer(3, GL_FLOAT, sizeof(V), reinterpret_cast<void*>(offsetof(V, p)));
  glNormalPointer(GL_FLOAT, sizeof(V), reinterpret_cast<void*>(offsetof(V, nrm)));
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(V), reinterpret_cast<void*>(offsetof(V, colour)));
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  mesh.index_count = static_cast<GLsizei>(idx.size());
  mesh.vertex_count = verts.size();
  return mesh;
}

// One frame with the view's lighting and camera (tilt 45, azimuth 45, start zoom).
void paint_vbo(wxGLCanvas* canvas, const VboMesh& mesh, int n, float min, float max) {
  glViewport(0, 0, kW, kH);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = double(kW) / kH;
  glOrtho(-aspect, aspect, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0.5f, 0.5f, 0.5f, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  const GLfloat pos[4] = {0, 0, 1, 0}, amb[4] = {0.3f, 0.3f, 0.3f, 0}, dif[4] = {0.7f, 0.7f, 0.7f, 0},
                spe[4] = {0.2f, 0.2f, 0.2f, 0};
  glLightfv(GL_LIGHT0, GL_POSITION, pos);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_NORMALIZE);
  glLightfv(GL_LIGHT0, GL_AMBIENT, amb);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, dif);
  glLightfv(GL_LIGHT0, GL_SPECULAR, spe);
  glRotatef(-45, 1, 0, 0);
  glRotatef(45, 0, 0, 1);
  glTranslatef(0, 0, -0.5f);
  const float s = 1.0f / (n - 1);
  glScalef(s, s, 1.0f / (max - min));
  glTranslatef((n - 1) * -0.5f, (n - 1) * -0.5f, -min);
  glDrawElements(GL_TRIANGLES, mesh.index_count, GL_UNSIGNED_INT, nullptr);
  glFinish();
  canvas->SwapBuffers();
}

void send_mouse(lib3d::View* view, wxEventType type, int x, int y) {
  wxMouseEvent ev(type);
  ev.SetPosition(wxPoint(x, y));
  ev.SetEventObject(view);
  view->ProcessWindowEvent(ev);
}

// Frames of a right-drag (each move turns the relief and repaints before it returns), with the
// coarse drag surface and without it; the release repaints the full surface.
void drag_at_1000(lib3d::View* view) {
  const int kMoves = 21;
  double fps[2] = {0, 0};
  std::size_t step = 0;
  for (int coarse = 1; coarse >= 0; --coarse) {
    view->set_coarse_drags(coarse == 1);
    send_mouse(view, wxEVT_RIGHT_DOWN, kW / 2, kH / 2);
    std::vector<double> frames;
    for (int k = 1; k <= kMoves; ++k) {
      const auto t0 = Clock::now();
      send_mouse(view, wxEVT_MOTION, kW / 2 + 6 * k, kH / 2 - 2 * k);
      frames.push_back(ms_since(t0));
    }
    if (coarse) step = view->renderer().coarse_step();
    send_mouse(view, wxEVT_RIGHT_UP, kW / 2 + 6 * kMoves, kH / 2 - 2 * kMoves);
    frames.erase(frames.begin());  // the first move may compile the coarse list
    fps[coarse] = 1000.0 / median(frames);
  }
  view->set_coarse_drags(true);
  std::printf("drag 1000^2: %.1f fps coarse (every %zu-th row and column), %.1f fps full (median of %d frames)\n",
              fps[1], step, fps[0], kMoves - 1);
  std::printf("RESULT\tright-drag 1000^2 in %dx%d >= 25 fps (llvmpipe)\t%.1f fps (full list %.1f fps)\t%s\n", kW,
              kH, fps[1], fps[0], fps[1] >= 25.0 ? "PASS" : "FAIL");
}

}  // namespace

class BenchApp : public wxApp {
public:
  bool OnInit() override { return true; }
};

int main(int argc, char** argv) {
  wxApp::SetInstance(new BenchApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "cannot start wx (run under xvfb-run)\n");
    return 2;
  }
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "render bench");
  frame->SetClientSize(2 * kW, kH);
  lib3d::View* view = lib3d::View::make(frame, {}, 0, 0, wxRect(0, 0, kW, kH));
  wxGLAttributes attrs;
  attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
  wxGLCanvas* base = new wxGLCanvas(frame, attrs, wxID_ANY, wxPoint(kW, 0), wxSize(kW, kH));
  wxGLContext* base_ctx = new wxGLContext(base);
  frame->Show();
  for (int i = 0; i < 200 && !(view->IsShownOnScreen() && base->IsShownOnScreen()); ++i) {
    pump();
    wxMilliSleep(10);
  }
  pump();
  const auto pal = ramp();
  view->set_palette(pal);

  std::printf("%-6s %10s %10s %10s %10s %9s | %10s %10s %10s | %8s %10s\n", "grid", "compile ms", "1st pnt ms",
              "paint ms", "pick ms", "list B/v", "vbo bld ms", "vbo ms", "vbo B/v", "paint x", "vertices");
  for (int n : {100, 500, 1000, 1500}) {
    const std::vector<float> m = terrain(n);
    const std::size_t list_vertices = 2 * static_cast<std::size_t>(n) * (n - 1);

    view->set_matrix({0.0f, 0.0f, 0.0f, 0.0f}, 2, 2);  // drop the previous list first
    const long rss0 = rss_bytes();
    // The compile ends where the progress hook reports every strip done; the first paint follows.
    Clock::time_point compiled;
    view->set_compile_progress([&](std::size_t done, std::size_t total) {
      if (done == total) compiled = Clock::now();
    });
    auto t0 = Clock::now();
    view->set_matrix(m, n, n);  // compile + first paint (ends in glFinish and a swap)
    const double compile_ms = std::chrono::duration<double, std::milli>(compiled - t0).count();
    const double first_ms = ms_since(compiled);
    view->set_compile_progress({});
    const long list_bytes = rss_bytes() - rss0 - static_cast<long>(m.size() * sizeof(float));

    std::vector<double> paints, picks;
    for (int k = 0; k < kRuns; ++k) {
      t0 = Clock::now();
      view->set_scaleZ(1.0f);  // a repaint ending in glFinish and a swap
      paints.push_back(ms_since(t0));
    }
    for (int k = 0; k < kRuns; ++k) {
      t0 = Clock::now();
      view->screen_to_cursor(kW / 2.0 + 13 * k, kH / 2.0 - 7 * k);  // pick + the repaint it causes
      picks.push_back(ms_since(t0));
    }
    view->set_cursor(SIZE_MAX, SIZE_MAX);

    base_ctx->SetCurrent(*base);
    const long rss1 = rss_bytes();
    t0 = Clock::now();
    VboMesh mesh = build_vbo(m, n, pal);
    glFinish();
    const double vbo_build_ms = ms_since(t0);
    paint_vbo(base, mesh, n, 0, 1);  // warm-up
    const long vbo_bytes = rss_bytes() - rss1;
    const lib3d::HeightRange r = lib3d::finite_range(m.data(), m.size());
    std::vector<double> vbo;
    for (int k = 0; k < kRuns; ++k) {
      t0 = Clock::now();
      paint_vbo(base, mesh, n, r.min, r.max);
      vbo.push_back(ms_since(t0));
    }
    glDeleteBuffers(2, mesh.buffers);

    const double pm = median(paints), vm = median(vbo);
    std::printf("%4d^2 %10.1f %10.1f %10.2f %10.2f %9.1f | %10.1f %10.2f %10.1f | %8.2f %10zu\n", n, compile_ms,
                first_ms, pm, median(picks), double(list_bytes) / list_vertices, vbo_build_ms, vm,
                double(vbo_bytes) / mesh.vertex_count, pm / vm, list_vertices);
    std::fflush(stdout);
    if (n == 1000) drag_at_1000(view);
  }
  std::printf("paint, pick, vbo: medians of %d, %dx%d view, each ending in glFinish and a swap; vbo bld: "
              "arrays built and uploaded\n", kRuns, kW, kH);
  std::printf("B/v: resident memory added per vertex (list: 2n(n-1) strip vertices; vbo: n^2 "
              "vertices + 6 indices per quad)\n");
  delete base_ctx;
  frame->Destroy();
  pump();
  wxEntryCleanup();
  return 0;
}
