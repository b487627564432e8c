// Menu, toolbar, accelerators and status bar of the viewer frame.
#include <algorithm>

#include <wx/aui/auibar.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "frame/Frame.h"
#include "frame/LoadProgress.h"
#include "hostlib/HostLayout.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"
#include "resources/frame_images.h"

namespace lib3d {
namespace {

wxString text(int id) { return wxString::FromUTF8(GetResourceString(id)); }

}  // namespace

void Frame::build_menu() {
  // Item texts are "label <blank> <tab> shortcut": wx takes what follows the tab as the item's
  // accelerator, which is what the shortcut column means.
  auto* file = new wxMenu;
  file->Append(ID_FILE_OPEN_3D, text(IDS_MENU_OPEN));
  file->Append(ID_SAVE_PICTURE_3D, text(IDS_MENU_SAVE_PICTURE));
  file->AppendSeparator();
  file->Append(wxID_EXIT, text(IDS_MENU_EXIT));
  auto* mode = new wxMenu;
  mode->Append(ID_ZOOM_IN_3D, text(IDS_MENU_ZOOM_IN));
  mode->Append(ID_ZOOM_OUT_3D, text(IDS_MENU_ZOOM_OUT));
  mode->AppendSeparator();
  mode->Append(ID_COPY_COMMAND_3D, text(IDS_MENU_COPY_COMMAND));
  auto* image = new wxMenu;
  image->Append(ID_PALETTE_3D, text(IDS_MENU_PALETTE));
  auto* analysis = new wxMenu;
  analysis->Append(ID_POINTER_3D, text(IDS_MENU_POINTER));
  auto* tools = new wxMenu;
  tools->Append(ID_TOOLS_3D, text(IDS_MENU_TOOLS));

  auto* bar = new wxMenuBar;
  bar->Append(file, text(IDS_MENU_FILE));
  bar->Append(mode, text(IDS_MENU_MODE));
  bar->Append(image, text(IDS_MENU_IMAGE));
  bar->Append(analysis, text(IDS_MENU_ANALYSIS));
  bar->Append(tools, text(IDS_MENU_TOOLS_POPUP));
  SetMenuBar(bar);
}

void Frame::build_toolbar() {
  toolbar_ = new wxAuiToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_GRIPPER);
  toolbar_->SetToolBitmapSize(wxSize(kToolbarImageWidth, kToolbarImageHeight));
  const wxImage strip = draw_toolbar_strip();
  for (int i = 0; i < 7; ++i) {
    const int command = kToolbarCommands[i];
    wxImage cell = strip.GetSubImage(wxRect(i * kToolbarImageWidth, 0, kToolbarImageWidth, kToolbarImageHeight));
    cell.SetMaskColour(kToolbarTransparentGrey, kToolbarTransparentGrey, kToolbarTransparentGrey);
    const wxString tip = wxString::FromUTF8(tooltip_from_resource(GetResourceString(command)));
    // Every button is a check tool so that the pressed bit of its style word can be shown; the
    // style words stay the truth and are mirrored back after each command.
    toolbar_->AddTool(command, wxString(), wxBitmap(cell), tip, wxITEM_CHECK);
    toolStyles_.add(command);
  }
  toolbar_->Realize();
  aui_.AddPane(toolbar_, wxAuiPaneInfo()
                             .Name("toolbar")
                             .Caption(text(IDS_TITLE_3D))
                             .ToolbarPane()
                             .Top()
                             .Gripper(true)
                             .TopDockable(true)
                             .BottomDockable(true)
                             .LeftDockable(true)
                             .RightDockable(true)
                             .Floatable(true));
}

void Frame::build_accelerators() {
  // The menu items already carry Ctrl+O, Ctrl+3, Ctrl+4, Ctrl+W, Ctrl+L and Ctrl+T (GTK binds them
  // from the item texts); repeating them here would deliver such a key twice. The table holds the
  // keys that no menu item carries.
  wxAcceleratorEntry entries[] = {
      {wxACCEL_CTRL, 'Z', ID_HELP_3D},
      {wxACCEL_NORMAL, WXK_NUMPAD_ADD, ID_ZOOM_IN_3D},
      {wxACCEL_NORMAL, WXK_NUMPAD_SUBTRACT, ID_ZOOM_OUT_3D},
      // Exit's label shows Alt+F4, which GTK makes an accelerator of Exit; but the key closes the
      // window it is pressed in (the window manager's key, passed on when the manager leaves it to
      // the program), so it goes to the frame's own close, which the table checks before the menu.
      {wxACCEL_ALT, WXK_F4, wxID_CLOSE},
  };
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(entries)), entries));
}

void Frame::build_status_bar() {
  statusBar_ = CreateStatusBar(4, wxSTB_SHOW_TIPS | wxSTB_ELLIPSIZE_END | wxFULL_REPAINT_ON_RESIZE);
  // Menu and tool help would otherwise overwrite part 0, which holds the zoom.
  SetStatusBarPane(-1);
}

void Frame::begin_progress() {
  wxBeginBusyCursor();
  if (!statusBar_) return;
  if (!gauge_) gauge_ = new wxGauge(statusBar_, wxID_ANY, LoadProgress::kScale, wxDefaultPosition, wxDefaultSize,
                                    wxGA_HORIZONTAL | wxGA_SMOOTH);
  wxRect part;
  if (statusBar_->GetFieldsCount() > 3 && statusBar_->GetFieldRect(3, part)) gauge_->SetSize(part.Deflate(2));
  gauge_->SetValue(0);
  gauge_->Show();
  gauge_->Update();
}

void Frame::show_progress(int value) {
  if (!gauge_) return;
  gauge_->SetValue(value);
  gauge_->Update();
  if (progressNotify_) progressNotify_(gauge_->GetValue(), gauge_->GetRange());
}

void Frame::end_progress() {
  if (gauge_) gauge_->Hide();
  wxEndBusyCursor();
}

void Frame::build_help_path() {
  helpPath = help_path_from_directory(GetHostShareDir());
  if (!IsFileExist(helpPath.c_str())) {
    toolStyles_.enable(ID_HELP_3D, false);
    mirror_tool(ID_HELP_3D);
  }
}

void Frame::show_progress_3D(bool /*show*/) {
  if (!statusBar_) return;
  const int width = statusBar_->GetClientSize().x;
  const int widths[4] = {50, 150, 100, std::max(0, width - 300)};
  statusBar_->SetStatusWidths(4, widths);
  statusBar_->Refresh();
  statusBar_->Update();
}

void Frame::set_status_text(const CString& text) {
  if (statusBar_) statusBar_->SetStatusText(wxString::FromUTF8(text), 0);
}

wxString Frame::status_text(int part) const {
  return statusBar_ && part >= 0 && part < statusBar_->GetFieldsCount() ? statusBar_->GetStatusText(part)
                                                                         : wxString();
}

void Frame::ToolBarEnableButton(int command, int enable) {
  toolStyles_.enable(command, enable != 0);
  mirror_tool(command);
}

void Frame::ToolBarPressButton(int command, int press) {
  toolStyles_.press(command, press != 0);
  mirror_tool(command);
}

int Frame::ToolBarIsButtonEnabled(int command) { return toolStyles_.is_enabled(command); }

void Frame::mirror_tool(int command) {
  if (!toolbar_ || !toolStyles_.has(command)) return;
  toolbar_->EnableTool(command, toolStyles_.is_enabled(command) != 0);
  toolbar_->ToggleTool(command, toolStyles_.is_pressed(command));
}

void Frame::repaint_toolbar() {
  if (!toolbar_) return;
  for (int command : kToolbarCommands) mirror_tool(command);
  toolbar_->Refresh();
  toolbar_->Update();
}

}  // namespace lib3d
