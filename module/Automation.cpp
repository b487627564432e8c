// Automation entry points for the host's command line (open files, write a snapshot).
#include <chrono>
#include <memory>
#include <thread>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/image.h>

#include "frame/Frame.h"
#include "hostlib/RenderOptions.h"
#include "module/ModuleExports.h"
#include "view/View.h"

namespace {

// Runs pending GUI events. Without a running main loop (the host automates before its loop starts)
// a loop is lent for the time of the pump.
bool pump_until(const std::function<bool()>& done, int timeoutMs) {
  wxEventLoopBase* lent = nullptr;
  if (!wxEventLoopBase::GetActive() && wxTheApp) {
    lent = wxTheApp->GetTraits()->CreateEventLoop();
    wxEventLoopBase::SetActive(lent);
  }
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
      while (loop->Pending()) loop->Dispatch();
    if (wxTheApp) {
      wxTheApp->ProcessPendingEvents();
      wxTheApp->ProcessIdle();
    }
    if (done() || std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (lent) {
    wxEventLoopBase::SetActive(nullptr);
    delete lent;
  }
  return done();
}

}  // namespace

extern "C" {

int Lib3dOpenFiles(const char* relief, unsigned long factorX, unsigned long factorY, const char* red,
                   const char* green, const char* blue, unsigned long component) {
  if (!relief || !wxTheApp) return 0;
  lib3d::Frame* frame = lib3d::Frame::make(nullptr);
  if (!frame->set_matrix(CString(relief), factorX, factorY)) return 0;
  if (red) {
    // One texture file stands for all three channels when the others are missing.
    const CString r(red), g(green ? green : red), b(blue ? blue : red);
    frame->set_color_matrix(r, g, b, factorX, factorY, component);
  }
  return 1;
}

int Lib3dSetCamera(double tilt, double azimuth, int zoomLevel, double panX, double panY) {
  lib3d::Frame* frame = wxTheApp ? lib3d::Frame::instance() : nullptr;
  if (!frame || !frame->view()) return 0;
  if (!lib3d::camera_problem(tilt, azimuth, zoomLevel, panX, panY).empty()) return 0;
  frame->set_camera(tilt, azimuth, zoomLevel, panX, panY);
  return 1;
}

int Lib3dSetLook(double exaggeration, int lightAzimuth, int lightElevation) {
  lib3d::Frame* frame = wxTheApp ? lib3d::Frame::instance() : nullptr;
  if (!frame || !(exaggeration == 0 || (exaggeration >= 0.01 && exaggeration <= 1000))) return 0;
  const bool light = lightAzimuth != -1 || lightElevation != -1;
  if (light && (lightAzimuth < 0 || lightAzimuth > 360 || lightElevation < 0 || lightElevation > 90)) return 0;
  frame->set_look(exaggeration, light ? lightAzimuth : -1, light ? lightElevation : -1);
  return 1;
}

int Lib3dSetReliefOptions(int band, int overviews, int nodataHeight, int nodataGiven, double nodataValue) {
  lib3d::Frame* frame = wxTheApp ? lib3d::Frame::instance() : nullptr;
  if (!frame || band < 1) return 0;
  lib3d::ReliefOptions o;
  o.band = band, o.overviews = overviews != 0, o.holes = nodataHeight == 0;
  o.nodata_given = nodataGiven != 0, o.nodata = nodataValue;
  frame->set_relief_options(o);
  return 1;
}

int Lib3dSnapshot(const char* pngPath) {
  if (!pngPath || !*pngPath || !wxTheApp) return 0;
  lib3d::Frame* frame = lib3d::Frame::instance();
  if (!frame || !frame->view()) return 0;
  frame->Show();
  frame->Raise();
  lib3d::View* view = frame->view();
  // GL can only draw once the canvas is realised on the X server, and the picture is of the size
  // the view has once its size events are in: wait for a frame presented at that size (the limit
  // only guards against a display that never shows the window).
  const auto painted_at_size = [view] {
    const wxSize px = view->GetClientSize() * view->GetContentScaleFactor();
    const int* v = view->last_paint().viewport;
    return view->IsShownOnScreen() && v[2] == px.x && v[3] == px.y && px.x > 0;
  };
  if (!pump_until([view] { return view->IsShownOnScreen(); }, 60000)) return 0;
  view->Refresh();
  if (!pump_until(painted_at_size, 60000)) return 0;
  const wxImage picture = view->read_last_frame();
  if (!picture.IsOk()) return 0;
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  return picture.SaveFile(wxString::FromUTF8(pngPath), wxBITMAP_TYPE_PNG) ? 1 : 0;
}

}  // extern "C"
