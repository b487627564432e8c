#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/toplevel.h>
#include <wx/treectrl.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include "hostlib/HtmlHelp.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"

namespace {

// A help book like the viewer's: a zip with one project, contents and folder of pages per language.
bool write_book(const std::string& path) {
  wxFFileOutputStream file(wxString::FromUTF8(path.c_str()));
  wxZipOutputStream zip(file);
  auto add = [&](const std::string& name, const std::string& text) {
    zip.PutNextEntry(name);
    zip.Write(text.data(), text.size());
  };
  for (std::string lang : {"Eng", "Rus"}) {
    add(lang + ".hhp", "[OPTIONS]\nContents file=" + lang + ".hhc\nTitle=Book\n\n[FILES]\n" + lang + "/Viewer3D.htm\n");
    add(lang + ".hhc", "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Contents " + lang +
                           "\"><param name=\"Local\" value=\"" + lang + "/Viewer3D.htm\"></OBJECT></UL>");
  }
  const std::string head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
  add("Eng/Viewer3D.htm", head + "<title>Viewer</title></head><body><b>Relief</b> view</body></html>");
  add("Rus/Viewer3D.htm", head + "<title>Окно</title></head><body><b>Рельеф</b> вид</body></html>");
  return zip.Close() && file.IsOk();
}

// The help window showing `topic`, if any.
wxHtmlHelpWindow* help_showing(const std::string& topic) {
  for (wxWindow* w : wxTopLevelWindows) {
    auto* frame = dynamic_cast<wxHtmlHelpFrame*>(w);
    if (frame && frame->GetHelpWindow() &&
        frame->GetHelpWindow()->GetHtmlWindow()->GetOpenedPage().EndsWith(wxString::FromUTF8(topic.c_str())))
      return frame->GetHelpWindow();
  }
  return nullptr;
}

// The texts of every item below the contents tree's root, depth first.
std::string items_below(wxTreeCtrl* tree, const wxTreeItemId& item) {
  std::string all;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId i = tree->GetFirstChild(item, cookie); i.IsOk(); i = tree->GetNextChild(item, cookie))
    all += tree->GetItemText(i).utf8_string() + ";" + items_below(tree, i);
  return all;
}

std::string contents_of(wxWindow* w) {
  if (auto* tree = dynamic_cast<wxTreeCtrl*>(w)) return items_below(tree, tree->GetRootItem());
  for (wxWindow* c : w->GetChildren())
    if (std::string found = contents_of(c); !found.empty()) return found;
  return std::string();
}

std::vector<std::string> g_calls;
void record(const char* address, unsigned command) { g_calls.push_back(std::string(address) + "|" + std::to_string(command)); }

}  // namespace

TEST(HtmlHelp, HookRecordsOnlyExistingBooks) {
  r3dtest::TempDir dir;
  const std::string book = dir.file("Book.zez");
  ASSERT_TRUE(write_book(book));
  g_calls.clear();
  SetHtmlHelpHook(&record);
  EXPECT_EQ(HtmlHelpA(nullptr, (book + "::/Eng/Viewer3D.htm").c_str(), HH_DISPLAY_TOPIC, 0), 1);
  EXPECT_EQ(HtmlHelpA(nullptr, (dir.file("none.zez") + "::/Eng/Viewer3D.htm").c_str(), HH_DISPLAY_TOPIC, 0), 0);
  EXPECT_EQ(HtmlHelpA(nullptr, "::/Eng/Viewer3D.htm", HH_DISPLAY_TOPIC, 0), 0);
  EXPECT_EQ(HtmlHelpA(nullptr, nullptr, HH_DISPLAY_TOPIC, 0), 0);
  SetHtmlHelpHook(nullptr);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0], book + "::/Eng/Viewer3D.htm|0");
}

TEST(HtmlHelp, RendersTopicInItsLanguageBook) {
  r3dtest::TempDir dir;
  const std::string book = dir.file("Book.zez");
  ASSERT_TRUE(write_book(book));
  // Backslashes in the topic are accepted; each language's contents list only its own pages.
  const struct { const char* address; const char* topic; const char* title; const char* word; } cases[] = {
      {"::/Rus/Viewer3D.htm", "Rus/Viewer3D.htm", "Окно", "Рельеф"},
      {"::\\Eng\\Viewer3D.htm", "Eng/Viewer3D.htm", "Viewer", "Relief"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(HtmlHelpA(nullptr, (book + c.address).c_str(), HH_DISPLAY_TOPIC, 0), 1);
    r3dtest::PumpEvents(50);
    wxHtmlHelpWindow* help = help_showing(c.topic);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->GetHtmlWindow()->GetOpenedPageTitle().utf8_str(), std::string(c.title));
    EXPECT_NE(std::string(help->GetHtmlWindow()->ToText().utf8_str()).find(c.word), std::string::npos);
    EXPECT_EQ(contents_of(help), "Book;Contents " + std::string(c.topic).substr(0, 3) + ";");
  }
  EXPECT_EQ(HtmlHelpA(nullptr, (book + "::/Eng/Missing.htm").c_str(), HH_DISPLAY_TOPIC, 0), 0);
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("text.zez"), "not a zip"));
  EXPECT_EQ(HtmlHelpA(nullptr, (dir.file("text.zez") + "::/Eng/Viewer3D.htm").c_str(), HH_DISPLAY_TOPIC, 0), 0);
  r3dtest::PumpEvents(50);
}

// --- the host program, run as a child process with a stand-in plug-in ---------------------------
namespace {

const char kFakePlugin[] = R"(
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
enum class ResourceLanguage { English = 1033, Russian = 1049 };
ResourceLanguage GetResourceLanguage();
// Read when the library is loaded: the host must have chosen the language by then.
static const bool russian = GetResourceLanguage() == ResourceLanguage::Russian;
static void note(const char* fmt, ...) {
  FILE* f = fopen(getenv("FAKE_LOG"), "a");
  va_list ap; va_start(ap, fmt); vfprintf(f, fmt, ap); va_end(ap);
  fputc('\n', f); fclose(f);
}
static void entry0() { note("entry 0"); }
static void entry1() { note("entry 1"); }
extern "C" int GetNumModuls() { return 2; }
extern "C" int GetModuleInfo(int m, int q, void* out, size_t n) {
  if (m < 0 || m > 1) return 0;
  if (q == 1 || q == 2) { void* none = nullptr; memcpy(out, &none, sizeof none); return 1; }
  if (q == 3 || q == 5) { snprintf((char*)out, n, "%s-%s-%d", m ? "Beta" : "Alpha", russian ? "ru" : "en", q); return 1; }
  return 0;
}
extern "C" void* GetModuleFunction(int m) { return m == 0 ? (void*)entry0 : m == 1 ? (void*)entry1 : nullptr; }
#include "module/RenderRequest.h"
extern "C" int Lib3dRenderFile(const Lib3dRenderRequest* r, char* msg, size_t n) {
  note("render %s %lu %lu %s %s %s %s %dx%d", r->relief, r->factor_x, r->factor_y, r->red ? r->red : "-",
       r->green ? r->green : "-", r->blue ? r->blue : "-", r->output, r->width, r->height);
  if (strstr(r->relief, "good")) return 0;
  snprintf(msg, n, "cannot read relief %s: no such file", r->relief);
  return 1;
}
)";

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome run(const std::string& cmd) {
  Outcome r;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) r.out += buf;
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class HostProgram : public testing::Test {
protected:
  void SetUp() override {
    if (!std::ifstream(host_).good()) GTEST_SKIP() << "host program not built";
    const std::string src = dir_.file("fake.cpp");
    ASSERT_TRUE(r3dtest::WriteTextFile(src, kFakePlugin));
    const Outcome cc = run("c++ -shared -fPIC -I '" R3D_SOURCE_DIR "' -o '" + plugins_ + "/a_fake.so' '" + src + "'");
    if (cc.status != 0) GTEST_SKIP() << "no compiler for the stand-in plug-in: " << cc.out;
    // Not a tool module, and not a library at all: both are reported and skipped.
    ASSERT_EQ(run("c++ -shared -fPIC -o '" + plugins_ + "/b_plain.so' -x c++ /dev/null").status, 0);
    ASSERT_TRUE(r3dtest::WriteTextFile(plugins_ + "/c_broken.so", "junk"));
  }
  Outcome host(const std::string& args, const std::string& env = "LC_ALL= LC_MESSAGES= LANG=C") {
    return run(env + " FAKE_LOG='" + log_ + "' '" + host_ + "' --plugins '" + plugins_ + "' " + args);
  }
  r3dtest::TempDir dir_;
  std::string plugins_ = dir_.path();
  std::string log_ = dir_.file("log.txt");
  std::string host_ = std::string(R3D_BIN_DIR) + "/relief3d-host";
};

}  // namespace

TEST_F(HostProgram, ListsToolsInTheChosenLanguage) {
  Outcome r = host("--list");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Alpha-en-3\tAlpha-en-5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Beta-en-3"), std::string::npos);
  EXPECT_NE(r.out.find("b_plain.so is not a tool module"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cannot load"), std::string::npos) << r.out;
  EXPECT_NE(host("--list --lang=ru").out.find("Alpha-ru-3"), std::string::npos);
  EXPECT_NE(host("--list", "LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8").out.find("Beta-ru-3"), std::string::npos);
  EXPECT_NE(host("--list --lang=en", "LC_ALL=ru_RU.UTF-8").out.find("Beta-en-3"), std::string::npos);
  EXPECT_NE(host("--list", "LC_ALL=en_US.UTF-8 LANG=ru_RU.UTF-8").out.find("Beta-en-3"), std::string::npos);
}

TEST_F(HostProgram, SnapshotPassesFilesToThePluginWithoutADisplay) {
  const std::string batch = "env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL= LANG=C";
  Outcome r = host("--relief /data/good.tif --factors 3,4 --texture /t/r.tif,/t/g.tif,/t/b.tif --snapshot /tmp/o.png", batch);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(slurp(log_), "render /data/good.tif 3 4 /t/r.tif /t/g.tif /t/b.tif /tmp/o.png 638x403\n");

  std::remove(log_.c_str());
  const std::string one = dir_.file("tex,ture.tif");  // an existing file whose name has a comma
  ASSERT_TRUE(r3dtest::WriteTextFile(one, "x"));
  r = host("--relief /data/good.tif --texture '" + one + "' --snapshot /tmp/o.png --size 9x7", batch);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(slurp(log_), "render /data/good.tif 1 1 " + one + " " + one + " " + one + " /tmp/o.png 9x7\n");

  r = host("--relief /data/bad.tif --snapshot /tmp/o.png", batch);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("relief3d-host: cannot read relief /data/bad.tif: no such file\n"), std::string::npos) << r.out;
  std::remove((plugins_ + "/a_fake.so").c_str());
  EXPECT_EQ(host("--relief /data/good.tif --snapshot /tmp/o.png", batch).status, 1);  // nobody can render it
}

namespace {

// A plug-in with a tool window that hides instead of closing, like the viewer. When loaded it
// arranges to end the program the way FAKE_EXIT says: closing the host's main window, or the
// Exit command of its tool window, which no window handles.
const char kWindowPlugin[] = R"(
#include <cstdlib>
#include <cstring>
#include <wx/app.h>
#include <wx/frame.h>
static void entry() {}
extern "C" int GetNumModuls() { return 1; }
extern "C" int GetModuleInfo(int m, int q, void* out, size_t n) {
  if (m != 0 || q != 3) return 0;
  strncpy(static_cast<char*>(out), "Windowed", n);
  return 1;
}
extern "C" void* GetModuleFunction(int m) { return m == 0 ? (void*)entry : nullptr; }
static struct Hook {
  Hook() {
    wxTheApp->CallAfter([] {
      auto* tool = new wxFrame(nullptr, wxID_ANY, "tool");
      tool->Bind(wxEVT_CLOSE_WINDOW, [tool](wxCloseEvent&) { tool->Hide(); });
      tool->Show();
      if (std::strcmp(std::getenv("FAKE_EXIT"), "menu") == 0) {
        wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
        tool->ProcessWindowEvent(exit);
      } else {
        tool->Close();
        wxTheApp->GetTopWindow()->Close();
      }
    });
  }
} hook;
)";

}  // namespace

TEST(HostProgramExit, EndsWhenMainWindowClosesOrOnExitCommand) {
  const std::string host = std::string(R3D_BIN_DIR) + "/relief3d-host";
  if (!std::ifstream(host).good()) GTEST_SKIP() << "host program not built";
  r3dtest::TempDir dir;
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("w.cpp"), kWindowPlugin));
  const Outcome cc = run("c++ -shared -fPIC -o '" + dir.file("w.so") + "' '" + dir.file("w.cpp") +
                         "' $(wx-config --cxxflags) $(wx-config --libs)");
  if (cc.status != 0) GTEST_SKIP() << "cannot build the stand-in plug-in: " << cc.out;
  for (const char* how : {"close", "menu"}) {
    // A host that does not end is stopped by timeout with status 124.
    const Outcome r = run(std::string("FAKE_EXIT=") + how + " timeout 30 '" + host + "' --plugins '" + dir.path() + "'");
    EXPECT_EQ(r.status, 0) << how << ": " << r.out;
  }
}
