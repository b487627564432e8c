// The host's window side: loads the plug-in modules, lists their tools and runs the one the user
// picks; with --relief it opens the viewer on that file; --list prints the tools without a window.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/setup.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "host/app/CommandLine.h"
#include "host/app/PluginFiles.h"
#include "host/app/Plugins.h"
#include "host/common/HostStrings.h"
#include "hostlib/HostLayout.h"
#include "hostlib/ProcessLocale.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"

namespace {

// The platform's command-line string: the executable's path in quotes, then the arguments.
std::string command_line(const std::vector<std::string>& args) {
  std::string s = GetProcessCommandLine();  // the quoted executable path
  for (std::size_t i = 1; i < args.size(); ++i) {
    const bool quote = args[i].find_first_of(" \t") != std::string::npos;
    s += quote ? " \"" + args[i] + "\"" : " " + args[i];
  }
  return s;
}

wxString res(int id) { return wxString::FromUTF8(GetResourceString(id).c_str()); }

class MainWindow : public wxFrame {
public:
  MainWindow(const std::vector<Tool>& tools, const std::string& pluginDir)
      : wxFrame(nullptr, wxID_ANY, res(hoststr::kHostTitle), wxDefaultPosition, wxSize(360, 300)), tools_(tools) {
    auto* panel = new wxPanel(this);
    list_ = new wxListCtrl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxLC_REPORT | wxLC_NO_HEADER | wxLC_SINGLE_SEL);
    list_->AppendColumn(wxEmptyString, wxLIST_FORMAT_LEFT, 320);
    images_ = new wxImageList(32, 32, true);
    for (std::size_t i = 0; i < tools_.size(); ++i) {
      int image = -1;
      if (tools_[i].icon && tools_[i].icon->IsOk()) {
        wxBitmap bmp;
        bmp.CopyFromIcon(*tools_[i].icon);
        if (bmp.GetWidth() != 32 || bmp.GetHeight() != 32)
          bmp = wxBitmap(bmp.ConvertToImage().Scale(32, 32, wxIMAGE_QUALITY_HIGH));
        image = images_->Add(bmp);
      }
      list_->InsertItem(static_cast<long>(i), wxString::FromUTF8(tools_[i].caption.c_str()), image);
    }
    list_->AssignImageList(images_, wxIMAGE_LIST_SMALL);
    if (!tools_.empty()) list_->SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    auto* run = new wxButton(panel, wxID_ANY, res(hoststr::kRunTool));
    run->Enable(!tools_.empty());
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    if (tools_.empty()) {
      wxString msg;
      msg.Printf(res(hoststr::kNoTools), wxString::FromUTF8(pluginDir.c_str()));
      sizer->Add(new wxStaticText(panel, wxID_ANY, msg), 0, wxALL, 8);
    }
    sizer->Add(list_, 1, wxEXPAND | wxALL, 8);
    sizer->Add(run, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    panel->SetSizer(sizer);

    list_->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent& e) { RunTool(e.GetIndex()); });
    run->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      RunTool(list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
    });
    // Tool windows hide instead of closing, so they never end the program: this window does.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
      Destroy();
      wxTheApp->ExitMainLoop();
    });
  }

  void RunTool(long index) {
    if (index >= 0 && static_cast<std::size_t>(index) < tools_.size() && tools_[index].entry) tools_[index].entry();
  }

private:
  std::vector<Tool> tools_;
  wxListCtrl* list_ = nullptr;
  wxImageList* images_ = nullptr;
};

class HostApp : public wxApp {
public:
  // Runs before GTK opens its display. Debian's wx GL canvas speaks GLX only, which needs an X
  // server: in a Wayland session GTK would pick its Wayland backend and the viewer could not draw,
  // so GTK goes through XWayland instead. A backend the user chose is left alone.
  bool Initialize(int& argc, wxChar** argv) override {
#if !wxUSE_GLCANVAS_EGL
    if (std::getenv("WAYLAND_DISPLAY")) setenv("GDK_BACKEND", "x11", 0);
#endif
    return wxApp::Initialize(argc, argv);
  }

  bool OnInit() override {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(argv[i].ToStdString(wxConvUTF8));
    // main has already refused a bad command line and handled every batch action.
    options_ = parse_command_line(args, russian_from_environment());
    SetProcessCommandLine(command_line(args).c_str());
    // GTK adopts the user's locale at start-up; numbers in files and in the C library's formatting
    // must not follow it (a Russian locale writes 1,5), as the modules parse and print with it.
    std::setlocale(LC_NUMERIC, "C");
    if (!SetProcessLanguage(options_.russian ? ResourceLanguage::Russian : ResourceLanguage::English))
      std::fprintf(stderr, "relief3d-host: no Russian locale is installed (ru_RU.UTF-8); the system's dialogs stay English\n");
    // Before any plug-in is loaded: a module's load hook may already read strings.
    SetResourceLanguage(options_.russian ? ResourceLanguage::Russian : ResourceLanguage::English);
    const std::string dir = plugin_dir(options_);
    std::vector<std::string> errors;
    tools_ = LoadPlugins(dir, &errors);
    for (const std::string& e : errors) std::fprintf(stderr, "relief3d-host: %s\n", e.c_str());

    // A module's Exit command arrives here as wxID_EXIT when no window handles it.
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Quit(exitCode_); }, wxID_EXIT);

    main_ = new MainWindow(tools_, dir);
    main_->Show();
    SetTopWindow(main_);
    if (!options_.relief.empty()) CallAfter([this] { Automate(); });
    return true;
  }

  int OnRun() override {
    wxApp::OnRun();
    return exitCode_;
  }

  int OnExit() override { return exitCode_; }

private:
  void Quit(int code) {
    exitCode_ = code;
    if (main_) main_->Destroy();
    main_ = nullptr;
    ExitMainLoop();
  }

  // Opens the viewer on the relief of the command line; the session stays interactive.
  void Automate() {
    const Tool* viewer = nullptr;
    for (const Tool& t : tools_)
      if (t.openFiles && t.index == 0) {
        viewer = &t;
        break;
      }
    if (!viewer) {
      std::fprintf(stderr, "relief3d-host: no plug-in can open a relief\n");
      return Quit(kExitFailed);
    }
    viewer->entry();
    const Lib3dRenderRequest& v = options_.view;
    if (viewer->setReliefOptions)
      viewer->setReliefOptions(v.band, v.overviews, v.nodata_height, v.nodata_given, v.nodata_value);
    std::string files[3];
    const bool texture = !options_.texture.empty() &&
                         split_texture(options_.texture, [](const std::string& p) { return IsFileExist(p.c_str()) != 0; }, files);
    if (!viewer->openFiles(options_.relief.c_str(), options_.view.factor_x, options_.view.factor_y,
                           texture ? files[0].c_str() : nullptr, texture ? files[1].c_str() : nullptr,
                           texture ? files[2].c_str() : nullptr, 0)) {
      std::fprintf(stderr, "relief3d-host: cannot open %s\n", options_.relief.c_str());
      return Quit(kExitFailed);
    }
    if (options_.cameraGiven && viewer->setCamera) viewer->setCamera(v.tilt, v.azimuth, v.zoom_level, v.pan_x, v.pan_y);
    // The light only when given: -1 leaves the tool window's own.
    const bool light = options_.lightGiven;
    if (options_.lookGiven && viewer->setLook)
      viewer->setLook(v.exaggeration, light ? v.light_azimuth : -1, light ? v.light_elevation : -1);
  }

  CommandLine options_;
  std::vector<Tool> tools_;
  MainWindow* main_ = nullptr;
  int exitCode_ = 0;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(HostApp);

// --list: the tools' captions need no toolkit (no icons are asked for), hence no display.
extern "C" __attribute__((visibility("default"))) int Relief3dHostList(int argc, char** argv) {
  const CommandLine options = parse_command_line(std::vector<std::string>(argv, argv + argc), russian_from_environment());
  const ResourceLanguage language = options.russian ? ResourceLanguage::Russian : ResourceLanguage::English;
  SetProcessLanguage(language);
  SetResourceLanguage(language);  // before any plug-in is loaded: a module's load hook may read strings
  std::vector<std::string> errors;
  const std::vector<Tool> tools = LoadPlugins(plugin_dir(options), &errors, false);
  for (const std::string& e : errors) std::fprintf(stderr, "relief3d-host: %s\n", e.c_str());
  for (const Tool& t : tools) std::printf("%s\t%s\n", t.caption.c_str(), t.shortCaption.c_str());
  return kExitOk;
}

// The host's window side, loaded by relief3d-host once the command line asks for a window.
extern "C" __attribute__((visibility("default"))) int Relief3dHostUi(int argc, char** argv) {
  return wxEntry(argc, argv);
}
