// The host program: loads the plug-in modules, lists their tools and runs the one the user picks.
//
//   relief3d-host [--lang=en|ru] [--plugins DIR] [--list]
//                 [--relief PATH [--factors FX,FY] [--texture FILE | --texture RED,GREEN,BLUE]]
//                 [--snapshot OUT.png]
//
// --list prints the tools found (caption per line) and exits. With --relief the tool of a module
// exporting Lib3dOpenFiles is opened on that file; --snapshot then writes the view to a PNG and
// exits (0 on success, 1 otherwise).
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "host/app/Plugins.h"
#include "host/common/HostStrings.h"
#include "hostlib/HostLayout.h"
#include "hostlib/ProcessLocale.h"
#include "hostlib/Paths.h"
#include "hostlib/Resources.h"

namespace {

struct Options {
  ResourceLanguage language = ResourceLanguage::English;
  std::string pluginDir;
  bool list = false;
  std::string relief;
  unsigned long factorX = 1, factorY = 1;
  std::string red, green, blue;
  std::string snapshot;
  std::string error;
};

bool starts_with_ru(const char* v) { return v && std::strncmp(v, "ru", 2) == 0; }

// The locale's language, in the order the C library looks at the variables.
ResourceLanguage language_from_environment() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return starts_with_ru(v) ? ResourceLanguage::Russian : ResourceLanguage::English;
  }
  return ResourceLanguage::English;
}

bool parse_factor(const std::string& s, unsigned long* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 10);
  if (s.empty() || *end || v < 1 || v > 1000) return false;
  *out = v;
  return true;
}

Options parse(const std::vector<std::string>& args) {
  Options o;
  o.language = language_from_environment();
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* name, std::string* out) {
      const std::string eq = std::string(name) + "=";
      if (a.compare(0, eq.size(), eq) == 0) {
        *out = a.substr(eq.size());
        return true;
      }
      if (a == name) {
        if (i + 1 >= args.size()) {
          o.error = std::string(name) + " needs a value";
          return false;
        }
        *out = args[++i];
        return true;
      }
      return false;
    };
    std::string v;
    if (value("--lang", &v)) {
      if (v == "ru") o.language = ResourceLanguage::Russian;
      else if (v == "en") o.language = ResourceLanguage::English;
      else o.error = "--lang takes en or ru";
    } else if (value("--plugins", &v)) {
      o.pluginDir = v;
    } else if (a == "--list") {
      o.list = true;
    } else if (value("--relief", &v)) {
      o.relief = v;
    } else if (value("--factors", &v)) {
      const std::size_t comma = v.find(',');
      if (comma == std::string::npos || !parse_factor(v.substr(0, comma), &o.factorX) ||
          !parse_factor(v.substr(comma + 1), &o.factorY))
        o.error = "--factors takes FX,FY with whole numbers 1..1000";
    } else if (value("--texture", &v)) {
      // One file, or three files separated by commas (a single existing file wins).
      const std::size_t c1 = v.find(','), c2 = c1 == std::string::npos ? c1 : v.find(',', c1 + 1);
      if (IsFileExist(v.c_str()) || c1 == std::string::npos) {
        o.red = o.green = o.blue = v;
      } else if (c2 != std::string::npos && v.find(',', c2 + 1) == std::string::npos) {
        o.red = v.substr(0, c1);
        o.green = v.substr(c1 + 1, c2 - c1 - 1);
        o.blue = v.substr(c2 + 1);
      } else {
        o.error = "--texture takes FILE or RED,GREEN,BLUE";
      }
    } else if (value("--snapshot", &v)) {
      o.snapshot = v;
    } else if (o.error.empty()) {
      o.error = "unknown option " + a;
    }
    if (!o.error.empty()) break;
  }
  if (o.error.empty() && !o.snapshot.empty() && o.relief.empty()) o.error = "--snapshot needs --relief";
  return o;
}

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
  bool OnInit() override {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(argv[i].ToStdString(wxConvUTF8));
    options_ = parse(args);
    if (!options_.error.empty()) {
      std::fprintf(stderr, "relief3d-host: %s\n", options_.error.c_str());
      CallAfter([this] { Quit(2); });  // through the main loop, so that the status is ours
      return true;
    }
    SetProcessCommandLine(command_line(args).c_str());
    // GTK adopts the user's locale at start-up; numbers in files and in the C library's formatting
    // must not follow it (a Russian locale writes 1,5), as the modules parse and print with it.
    std::setlocale(LC_NUMERIC, "C");
    if (!SetProcessLanguage(options_.language))
      std::fprintf(stderr, "relief3d-host: no Russian locale is installed (ru_RU.UTF-8); the system's dialogs stay English\n");
    // Before any plug-in is loaded: a module's load hook may already read strings.
    SetResourceLanguage(options_.language);
    std::string dir = options_.pluginDir;
    if (dir.empty()) dir = GetHostLayout().pluginDir;
    std::vector<std::string> errors;
    tools_ = LoadPlugins(dir, &errors);
    for (const std::string& e : errors) std::fprintf(stderr, "relief3d-host: %s\n", e.c_str());

    if (options_.list) {
      for (const Tool& t : tools_) std::printf("%s\t%s\n", t.caption.c_str(), t.shortCaption.c_str());
      std::fflush(stdout);
      CallAfter([this] { Quit(0); });
      return true;
    }
    // A module's Exit command arrives here as wxID_EXIT when no window handles it.
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Quit(exitCode_); }, wxID_EXIT);

    if (options_.snapshot.empty()) {
      main_ = new MainWindow(tools_, dir);
      main_->Show();
      SetTopWindow(main_);
    }
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

  void Automate() {
    const Tool* viewer = nullptr;
    for (const Tool& t : tools_)
      if (t.openFiles && t.index == 0) {
        viewer = &t;
        break;
      }
    if (!viewer) {
      std::fprintf(stderr, "relief3d-host: no plug-in can open a relief\n");
      return Quit(1);
    }
    viewer->entry();
    auto cstr = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    if (!viewer->openFiles(options_.relief.c_str(), options_.factorX, options_.factorY, cstr(options_.red),
                           cstr(options_.green), cstr(options_.blue), 0)) {
      std::fprintf(stderr, "relief3d-host: cannot open %s\n", options_.relief.c_str());
      return Quit(1);
    }
    if (options_.snapshot.empty()) return;  // interactive from here on
    if (!viewer->snapshot || !viewer->snapshot(options_.snapshot.c_str())) {
      std::fprintf(stderr, "relief3d-host: cannot write %s\n", options_.snapshot.c_str());
      return Quit(1);
    }
    std::printf("relief3d-host: wrote %s\n", options_.snapshot.c_str());
    Quit(0);
  }

  Options options_;
  std::vector<Tool> tools_;
  MainWindow* main_ = nullptr;
  int exitCode_ = 0;
};

}  // namespace

wxIMPLEMENT_APP(HostApp);
