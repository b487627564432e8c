#pragma once
// Controls and dialogs of the host's common library.
#include <cstddef>
#include <cstdint>
#include <string>
#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/panel.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "hostlib/Export.h"
#include "hostlib/HostString.h"

// Message number a CInFileCtrl sends its parent when the user has chosen a file.
enum { WM_INFILE_CHOSEN = 0x063A };

// The notification itself: a wxCommandEvent of this type whose event object (GetEventObject) is the
// sending CInFileCtrl ("lParam") and whose int is WM_INFILE_CHOSEN. It is processed synchronously by
// the parent (like a sent message).
BASEKIT_API wxDECLARE_EVENT(EVT_INFILE_CHOSEN, wxCommandEvent);

class CFileLayer;

// The raster file chooser's filter: every common DEM and image extension, each letter matching
// either case, as one ';'-separated list of shell patterns.
BASEKIT_API std::string RasterFilePatterns();

// Gives the controls created below `topLevel` from now on compact metrics (entries and buttons about
// 20 px tall, as the fixed dialog-unit layouts expect). Call right after creating the window.
BASEKIT_API void UseCompactControls(wxWindow* topLevel);

// A file chooser (wxFileDialog) opens no larger than nine tenths of the screen under the pointer:
// GTK's own default size can be wider than a small screen.
BASEKIT_API void FitFileDialog(wxWindow* fileDialog);

// Relief picker: a path field (a typed path or URL is taken on Enter), a browse button and a line
// with the chosen raster's size.
// It is laid over a placeholder window of the parent dialog.
class BASEKIT_API CInFileCtrl : public wxPanel {
public:
  CInFileCtrl();
  ~CInFileCtrl() override;

  // Takes the place, size and id of `placeholder` (a static of the dialog), which is hidden.
  // Must come before Create.
  bool AttachToPlaceholder(wxWindow* placeholder);

  // Builds the control. The arguments are those the module passes (1, null, null, 8, "\\Processing"):
  // `key` is the remembered-directory key of the browse dialog; the others are accepted and ignored.
  bool Create(int mode, const char* defaultExt, const char* filter, int flags, const char* key);

  void SetPathName(const CString& path);  // shows the path and reads its size; sends no notification
  CString GetPathName() const;
  int Width() const;     // of the chosen raster, 0 when none or unreadable
  int Height() const;
  int DataReady() const;  // non-zero while a chosen raster could be read
  void ClearAll();        // forgets path and size

  // What the browse button does after its file dialog: take `path`, read its size, and send the
  // notification to the parent. Public so that tests can pick a file without a modal dialog.
  void ChooseFile(const CString& path);

private:
  void OnBrowse(wxCommandEvent&);
  void Refresh_();
  wxTextCtrl* pathEdit_ = nullptr;
  wxStaticText* sizeLabel_ = nullptr;
  wxWindow* placeholder_ = nullptr;
  CString path_;
  CString key_;
  int width_ = 0;
  int height_ = 0;
  bool ready_ = false;
};

// The record a raster file dialog fills. The 32-bit word at byte offset 60 holds the component
// choice for two-valued rasters: bit 0 imaginary, bit 1 amplitude, bit 2 phase, none: real.
struct CreateViewStruct {
  std::uint8_t reserved[60];
  std::uint32_t flags;
  std::uint8_t reserved2[68];
};
static_assert(offsetof(CreateViewStruct, flags) == 60, "flag word at byte offset 60");

enum { CVS_IMAGINARY = 1, CVS_AMPLITUDE = 2, CVS_PHASE = 4 };

// Raster file dialog: a file chooser plus a component choice (real, imaginary, amplitude, phase)
// that matters for two-valued rasters. DoModal returns wxID_OK (IDOK) or wxID_CANCEL.
class BASEKIT_API CInfoFileDialogEx : public wxDialog {
public:
  CInfoFileDialogEx(int openDialog, const char* defaultExt, const char* fileName, unsigned long flags,
                    const char* filter, wxWindow* parent, int mode, const char* key, int reserved);
  ~CInfoFileDialogEx() override;

  int DoModal();
  CString GetPathName() const;
  // The record of the last accepted choice; null before the dialog ended with OK.
  const CreateViewStruct* GetCreateViewStruct() const;

  // Set by the dialog's controls, or by a test driving it through wxTestingModalHook.
  void SetPathName(const CString& path);
  void SetComponent(int component);  // 0..3

protected:
  void OnOK(wxCommandEvent&);
  void OnBrowse(wxCommandEvent&);
  void UpdateComponentChoice();  // enabled only while the path is a two-valued raster
  wxTextCtrl* pathEdit_ = nullptr;
  class wxRadioBox* componentBox_ = nullptr;
  CString key_;
  CString path_;
  CreateViewStruct record_{};
  bool accepted_ = false;
};

// Up-down control bound to an edit ("buddy") that shows its position as an integer: two small
// arrows stacked in a column as narrow as a scroll bar (GTK's own spin button is a wide "- +" pair).
// A click steps once, holding repeats; the buddy's Up/Down keys step too. Each step is reported as a
// wxEVT_SPIN event, as the native control would.
class BASEKIT_API CSpinButtonCtrl32 : public wxSpinButton {
public:
  CSpinButtonCtrl32();
  ~CSpinButtonCtrl32() override;
  bool Create(unsigned long style, const wxRect& rect, wxWindow* parent, int id);
  void SetBuddy(wxTextCtrl* buddy);  // places itself at the buddy's right edge
  wxTextCtrl* GetBuddy() const { return buddy_; }
  void SetRange(int lower, int upper) override;
  void SetPos(int pos);  // clamps to the range, writes the buddy's text
  int GetPos() const;    // the buddy's integer (clamped), or the position when it has no buddy
  // One click of the arrows: `delta` steps from the buddy's current integer (what the user typed
  // counts), clamped to the range; the buddy shows the result. What the arrows call.
  void Step(int delta);

  int GetValue() const override { return shown_; }
  void SetValue(int value) override { SetPos(value); }
  int GetMin() const override { return lower_; }
  int GetMax() const override { return upper_; }

  // Which arrow a point of the control is on: +1 upper, -1 lower.
  static int ArrowAt(int y, int height) { return 2 * y < height ? 1 : -1; }

protected:
  wxSize DoGetBestSize() const override;
  GdkWindow* GTKGetWindow(wxArrayGdkWindows& windows) const override;
  void DoEnable(bool enable) override;

private:
  void OnSpin(wxSpinEvent&);
  void OnBuddyText(wxCommandEvent&);
  void OnBuddyKey(wxKeyEvent&);
  void OnPaint(wxPaintEvent&);
  void OnMouseDown(wxMouseEvent&);
  void OnMouseUp(wxMouseEvent&);
  void OnRepeat(class wxTimerEvent&);
  void Click(int direction);  // reports one step as the native control's spin event
  wxTextCtrl* buddy_ = nullptr;
  class wxTimer* repeat_ = nullptr;
  int lower_ = 0;
  int upper_ = 100;
  int shown_ = 0;    // the position last written, to tell the arrows' direction
  int pressed_ = 0;  // the arrow held down: +1, -1 or 0
};
