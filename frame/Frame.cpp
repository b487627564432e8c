// Creation, lifetime and closing of the viewer frame.
#include "frame/Frame.h"

#include <boost/bind/bind.hpp>
#include <wx/app.h>
#include <wx/iconbndl.h>

#include "dialogs/palette/PaletteExDlg.h"
#include "dialogs/tools/ToolWinDlg.h"
#include "hostlib/Resources.h"
#include "view/View.h"

namespace lib3d {
namespace {

// Set by the first make and never replaced; cleared only when wx itself destroys the frame at
// application shutdown, so that a late make cannot return a dangling pointer.
Frame* s_frame = nullptr;

constexpr int kViewWindowId = 59648;  // the id the view has always had as the frame's first pane

}  // namespace

Frame* Frame::make(wxWindow* /*parent*/) {
  if (s_frame) return s_frame;
  s_frame = new Frame(false);
  s_frame->CreateFrameWindow();
  s_frame->attach_view_and_companions();
  return s_frame;
}

Frame* Frame::instance() { return s_frame; }

Frame::Frame(bool destroyOnClose) : destroyOnClose_(destroyOnClose) {}

Frame::~Frame() {
  aui_.UnInit();
  if (s_frame == this) s_frame = nullptr;
}

bool Frame::CreateFrameWindow() {
  if (!wxFrame::Create(nullptr, wxID_ANY, wxString::FromUTF8(GetResourceString(IDS_TITLE_3D)),
                       wxPoint(0, 0), wxSize(640, 480), wxDEFAULT_FRAME_STYLE))
    return false;
  aui_.SetManagedWindow(this);
  build_menu();
  build_toolbar();
  build_accelerators();
  build_status_bar();
  build_help_path();
  aui_.Update();

  SetSize(0, 0, 640, 480);
  wxIconBundle icons;
  for (int size : {16, 32}) {
    wxBitmap bmp = FindResourceBitmap(IDI_VIEWER_3D, size);
    if (bmp.IsOk()) {
      wxIcon icon;
      icon.CopyFromBitmap(bmp);
      icons.AddIcon(icon);
    }
  }
  if (!icons.IsEmpty()) SetIcons(icons);
  SetTitle(wxString::FromUTF8(GetResourceString(IDS_TITLE_3D)));

  Bind(wxEVT_CLOSE_WINDOW, &Frame::on_close, this);
  for (int id : kToolbarCommands) Bind(wxEVT_MENU, &Frame::on_command, this, id);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnSavePicture(); }, ID_SAVE_PICTURE_3D);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnCopyCommand(); }, ID_COPY_COMMAND_3D);
  Bind(wxEVT_MENU, &Frame::on_exit_command, this, wxID_EXIT);
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_CLOSE);
  Bind(wxEVT_SHOW, [this](wxShowEvent& e) {
    e.Skip();
    show_floating_panes(e.IsShown());
  });
  Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& e) {
    e.Skip();
    if (paletteDlg_) paletteDlg_->OwnerIconized(e.IsIconized());
  });
  repaint_toolbar();
  return true;
}

void Frame::attach_view_and_companions() {
  view_ = new View();
  view_->Create(this, kViewWindowId, wxDefaultPosition, wxDefaultSize, wxBORDER_SUNKEN);
  aui_.AddPane(view_, wxAuiPaneInfo().Name("view").CenterPane());
  aui_.Update();

  using namespace boost::placeholders;
  view_->set_cursor_notify(boost::bind(&Frame::on_cursor_notify, this, _1, _2));
  view_->set_detail_notify([this](std::size_t ready, std::size_t wanted) { on_detail_notify(ready, wanted); });
  view_->set_palette(std::vector<std::uint32_t>(256, 0x00FFFFFFu));

  paletteDlg_ = new C3DPaletteExDlg(this, view_);
  if (!paletteDlg_->Create()) {
    delete paletteDlg_;
    paletteDlg_ = nullptr;
  }
  toolWin_ = new CToolWinDlg(this, view_);
  if (!toolWin_->Create()) {
    delete toolWin_;
    toolWin_ = nullptr;
  }
}

void Frame::on_close(wxCloseEvent& event) {
  // The surface goes; the matrices, palette and camera stay in the view for the next show.
  if (view_) view_->delete_surface();
  if (paletteDlg_) paletteDlg_->Hide();
  if (toolWin_) toolWin_->Hide();
  if (!destroyOnClose_ && event.CanVeto()) {
    event.Veto();
    Hide();
    return;
  }
  event.Skip();  // wxFrame's default: destroy the window
}

void Frame::show_floating_panes(bool show) {
  // A floating toolbar is a window of its own, which stays on screen when the frame hides (window
  // managers minimise it with the frame, but a hidden frame is no longer theirs): it goes with the
  // frame and comes back with it.
  if (!show) {
    wxAuiPaneInfoArray& panes = aui_.GetAllPanes();
    for (size_t i = 0; i < panes.GetCount(); ++i) {
      wxWindow* w = panes[i].IsFloating() ? panes[i].frame : nullptr;
      if (w && w->IsShown()) {
        w->Hide();
        hiddenWithFrame_.push_back(w);
      }
    }
  } else {
    for (wxWindow* w : hiddenWithFrame_) w->Show();
    hiddenWithFrame_.clear();
  }
}

void Frame::on_exit_command(wxCommandEvent& event) {
  // Exit belongs to the host: the host application object handles wxID_EXIT. Should no host handle
  // it, closing the application's main window is the exit route every wx program has.
  if (wxTheApp && wxTheApp->SafelyProcessEvent(event)) return;
  wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
  if (top && top != this) top->Close();
  else Close();
}

}  // namespace lib3d
