#pragma once
// CToolWinDlgSun: the Lighting page. The light's direction (azimuth, elevation) is typed in the
// spins, dragged on sliders or picked on a polar picture of the sky; its three strengths are
// sliders. Every slider notification and every mouse move over the page sends the whole record to
// the view.
#include <memory>
#include <string>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include "dialogs/tools/SkyGeometry.h"
#include "dialogs/tools/ToolPage.h"
#include "view/LightSettings.h"

class CSpinButtonCtrl32;

// Words of the light record that the page fills besides the ones the view reads.
struct LightRecordWords {
  static constexpr int kOne = 5;    // always 1
  static constexpr int kLast = 14;  // always 0
};

class CToolWinDlgSun : public CToolPage {
public:
  enum {
    IDD = 2773,
    IDC_SPECULAR = 2786, IDC_DIFFUSE = 2787, IDC_AMBIENT = 2788, IDC_SPHERE = 2789,
    IDC_AZIMUTH_SLIDER = 2790, IDC_ELEVATION_SLIDER = 2791,
    IDC_AZIMUTH_EDIT = 2792, IDC_ELEVATION_EDIT = 2793,
    IDC_APPLY = 2794, IDC_CLOSE = 2795, IDC_HELP = 2796,
  };

  explicit CToolWinDlgSun(lib3d::View* view, wxWindow* parent = nullptr);
  ~CToolWinDlgSun() override;

  // The record the page would send now (spins' angles, strength sliders, constants).
  lib3d::LightSettings CurrentLight() const;
  // Fills the record and hands it to the view.
  void ApplyLight();
  // Puts the light at azimuth and elevation (whole degrees) as if typed, and applies it.
  void SetDirection(int azimuth, int elevation);

  const tools::SkyLayout& GetLayout() const { return layout_; }
  int GetMarkerX() const { return markerX; }
  int GetMarkerY() const { return markerY; }
  bool IsTracking() const { return tracking; }
  // A copy of the sky picture as drawn at opening (rings only, never the marker).
  wxImage GetSkyImage();

  CSpinButtonCtrl32* GetAzimuthSpin() const { return spinAzimuth; }
  CSpinButtonCtrl32* GetElevationSpin() const { return spinElevation; }
  wxSlider* GetAzimuthSlider() const { return sliderAzimuth; }
  wxSlider* GetElevationSlider() const { return sliderElevation; }
  wxSlider* GetAmbientSlider() const { return sliderAmbient; }
  wxSlider* GetDiffuseSlider() const { return sliderDiffuse; }
  wxSlider* GetSpecularSlider() const { return sliderSpecular; }
  wxTextCtrl* GetAzimuthEdit() const { return editAzimuth; }
  wxTextCtrl* GetElevationEdit() const { return editElevation; }

  // Message handlers, public so that tests can drive them with synthetic events.
  void OnHScroll(wxScrollEvent& event);
  void OnLButtonDown(wxMouseEvent& event);
  void OnMouseMove(wxMouseEvent& event);
  void OnLButtonUp(wxMouseEvent& event);

protected:
  void InitPage() override;

private:
  void BuildSkyBitmap();
  void RefreshAngleSliders();
  void PointToAngles(int x, int y);
  void RedrawMarker();
  // Moves the marker to (x, y) (frame-relative). With `erase`, the square under the old marker is
  // restored from the picture. Only the two 15 x 15 squares are repainted.
  void DrawMarker(wxDC* dc, int x, int y, bool erase);
  void PaintMarker(wxDC& dc, int x, int y);
  void OnPaint(wxPaintEvent& event);
  void OnEditChanged(wxCommandEvent& event);
  void OnSpin(wxCommandEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void SyncFromSpin(CSpinButtonCtrl32* spin, wxSlider* slider);

  tools::IntRect frameRect;
  tools::SkyLayout layout_;
  int markerX = 0, markerY = 0;
  bool tracking = false;
  bool syncing = false;
  int rowBytes = 0, bitmapHeight = 0, bitmapWidth = 0;
  std::unique_ptr<wxMemoryDC> memDC;
  wxBitmap sphereBitmap;

  CSpinButtonCtrl32* spinAzimuth = nullptr;
  CSpinButtonCtrl32* spinElevation = nullptr;
  wxSlider* sliderAzimuth = nullptr;
  wxSlider* sliderElevation = nullptr;
  wxSlider* sliderAmbient = nullptr;
  wxSlider* sliderDiffuse = nullptr;
  wxSlider* sliderSpecular = nullptr;
  wxWindow* sphereFrame = nullptr;
  wxTextCtrl* editAzimuth = nullptr;
  wxTextCtrl* editElevation = nullptr;
};
