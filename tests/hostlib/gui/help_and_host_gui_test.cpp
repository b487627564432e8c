#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include <wx/html/helpdata.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/toplevel.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include "hostlib/HtmlHelp.h"
#include "tests/support/GuiTest.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/RunCommand.h"

namespace {

// A help book like the viewer's: a zip with one project, contents and folder of pages per language.
bool write_book(const std::string& path) {
  wxFFileOutputStream file(wxString::FromUTF8(path.c_str()));
  wxZipOutputStream zip(file);
  auto add = [&](const std::string& name, const std::string& text) {
    zip.PutNextEntry(name);
    zip.Write(text.data(), text.size());
  };
  const std::string head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
  for (auto [lang, title, text] : {std::array<std::string, 3>{"Eng", "Viewer", "<b>Relief</b> view"},
                                   std::array<std::string, 3>{"Rus", "Окно", "<b>Рельеф</b> вид"}}) {
    add(lang + ".hhp", "[OPTIONS]\nContents file=" + lang + ".hhc\nTitle=Book\n\n[FILES]\n" + lang + "/Viewer3D.htm\n");
    add(lang + ".hhc", "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Contents " + lang +
                           "\"><param name=\"Local\" value=\"" + lang + "/Viewer3D.htm\"></OBJECT></UL>");
    add(lang + "/Viewer3D.htm", head + "<title>" + title + "</title></head><body>" + text + "</body></html>");
  }
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

std::vector<std::string> g_calls;
void record(const char* address, unsigned command) { g_calls.push_back(std::string(address) + "|" + std::to_string(command)); }

}  // namespace

// With a hook set, only addresses of existing books reach it (and nothing is shown). Without one,
// the page of the topic is rendered (its title and a word of its text in the window's parsed
// cells), in the book of its language, whose contents list only that language's pages; backslashes
// in the topic are accepted; a missing page or a book that is no zip is refused.
TEST(HtmlHelp, RendersTopicInItsLanguageBook) {
  r3dtest::TempDir dir;
  const std::string book = dir.file("Book.zez");
  ASSERT_TRUE(write_book(book));
  ASSERT_TRUE(r3dtest::WriteTextFile(dir.file("text.zez"), "not a zip"));
  SetHtmlHelpHook(&record);
  for (const std::string& address : {book + "::/Eng/Viewer3D.htm", dir.file("none.zez") + "::/Eng/Viewer3D.htm", std::string("::/Eng/Viewer3D.htm")})
    EXPECT_EQ(HtmlHelpA(nullptr, address.c_str(), HH_DISPLAY_TOPIC, 0), address == book + "::/Eng/Viewer3D.htm") << address;
  EXPECT_EQ(HtmlHelpA(nullptr, nullptr, HH_DISPLAY_TOPIC, 0), 0);
  SetHtmlHelpHook(nullptr);
  EXPECT_EQ(g_calls, std::vector<std::string>{book + "::/Eng/Viewer3D.htm|0"});

  const struct { const char *address, *topic, *title, *word; } cases[] = {
      {"::/Rus/Viewer3D.htm", "Rus/Viewer3D.htm", "Окно", "Рельеф"},
      {"::\\Eng\\Viewer3D.htm", "Eng/Viewer3D.htm", "Viewer", "Relief"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(HtmlHelpA(nullptr, (book + c.address).c_str(), HH_DISPLAY_TOPIC, 0), 1);
    wxHtmlHelpWindow* help = nullptr;
    ASSERT_TRUE(r3dtest::WaitFor([&] { return (help = help_showing(c.topic)) != nullptr; }));
    EXPECT_EQ(help->GetHtmlWindow()->GetOpenedPageTitle().utf8_string(), c.title);
    EXPECT_NE(help->GetHtmlWindow()->ToText().utf8_string().find(c.word), std::string::npos);
    std::string contents;
    const wxHtmlHelpDataItems& items = help->GetData()->GetContentsArray();
    for (size_t i = 0; i < items.size(); ++i) contents += items[i].name.utf8_string() + ";";
    EXPECT_EQ(contents, "Book;Contents " + std::string(c.topic).substr(0, 3) + ";");
  }
  for (const std::string& bad : {book + "::/Eng/Missing.htm", dir.file("text.zez") + "::/Eng/Viewer3D.htm"})
    EXPECT_EQ(HtmlHelpA(nullptr, bad.c_str(), HH_DISPLAY_TOPIC, 0), 0) << bad;
  r3dtest::PumpEvents();
}

// --- the host program, run as a child process with a stand-in plug-in ---------------------------
namespace {

// Two tools named after the language the host had chosen when the library was loaded; the batch
// entry logs what it is asked and succeeds. With FAKE_EXIT set, it opens
// a tool window that hides instead of closing, like the viewer's, and ends the program the way
// FAKE_EXIT says: closing the host's main window, or the Exit command of its tool window, which no
// window handles.
const char kFakePlugin[] = R"(
#include <cstdlib>
#include <cstring>
#include <wx/app.h>
#include <wx/frame.h>
#include "hostlib/RenderRequest.h"
enum class ResourceLanguage { English = 1033, Russian = 1049 };
ResourceLanguage GetResourceLanguage();
static const bool russian = GetResourceLanguage() == ResourceLanguage::Russian;
static void entry() {}
extern "C" int GetNumModuls() { return 2; }
extern "C" int GetModuleInfo(int m, int q, void* out, size_t n) {
  if (m < 0 || m > 1) return 0;
  if (q == 1 || q == 2) { void* none = nullptr; memcpy(out, &none, sizeof none); return 1; }
  if (q == 3 || q == 5) { snprintf((char*)out, n, "%s-%s-%d", m ? "Beta" : "Alpha", russian ? "ru" : "en", q); return 1; }
  return 0;
}
extern "C" void* GetModuleFunction(int m) { return m == 0 || m == 1 ? (void*)entry : nullptr; }
extern "C" int Lib3dRenderFile(const Lib3dRenderRequest* r, char*, size_t) {
  FILE* f = fopen(getenv("FAKE_LOG"), "a");
  fprintf(f, "render %s %s %s %dx%d\n", r->relief, r->red, r->blue, r->width, r->height);
  return fclose(f);
}
static struct Hook { Hook() { if (getenv("FAKE_EXIT")) wxTheApp->CallAfter([] {
  auto* tool = new wxFrame(nullptr, wxID_ANY, "tool");
  tool->Bind(wxEVT_CLOSE_WINDOW, [tool](wxCloseEvent&) { tool->Hide(); });
  tool->Show();
  if (strcmp(getenv("FAKE_EXIT"), "menu") == 0) {
    wxCommandEvent exit(wxEVT_MENU, wxID_EXIT);
    tool->ProcessWindowEvent(exit);
  } else {
    tool->Close();
    wxTheApp->GetTopWindow()->Close();
  }
}); } } hook;
)";

using r3dtest::Outcome;
const auto run = r3dtest::RunCommand;

class HostProgram : public testing::Test {
protected:
  // Built once: the stand-in, and beside it a library that is no tool module and a file that is no
  // library at all.
  static void SetUpTestSuite() {
    dir_ = new r3dtest::TempDir;
    r3dtest::WriteTextFile(dir_->file("fake.cpp"), kFakePlugin);
    // Linked with the host library, as real modules are.
    built_ = run("c++ -shared -fPIC -I '" R3D_SOURCE_DIR "' -o '" + dir_->file("a_fake.so") + "' '" + dir_->file("fake.cpp") +
                 "' $(wx-config --cxxflags --libs) -L'" R3D_BIN_DIR "' -lbasekit -Wl,-rpath,'" R3D_BIN_DIR "' && c++ -shared -fPIC -o '" +
                 dir_->file("b_plain.so") + "' -x c++ /dev/null");
    r3dtest::WriteTextFile(dir_->file("c_broken.so"), "junk");
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    ASSERT_EQ(built_.status, 0) << built_.out;
  }
  Outcome host(const std::string& args, const std::string& env = "LC_ALL= LC_MESSAGES= LANG=C") {
    return run("FAKE_LOG='" + log_ + "' " + env + " '" + host_ + "' --plugins '" + dir_->path() + "' " + args);
  }
  static inline r3dtest::TempDir* dir_ = nullptr;
  static inline Outcome built_;
  std::string log_ = dir_->file("log.txt");
  std::string host_ = std::string(R3D_BIN_DIR) + "/relief3d-host";
};

}  // namespace

// Without a display: every tool of every module is listed with its captions; a library that is no
// tool module, or no library at all, is named and skipped. The language comes from --lang, else the
// locale. A snapshot hands the files and the default size to the plug-in as given (an existing
// texture file may have a comma in its name).
TEST_F(HostProgram, ListsToolsAndPassesSnapshotFilesWithoutADisplay) {
  const std::string batch = "env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL= LC_MESSAGES= LANG=C", comma = dir_->file("tex,ture.tif");
  Outcome r = host("--list", batch);
  EXPECT_EQ(r.status, 0) << r.out;
  for (const char* seen : {"Alpha-en-3\tAlpha-en-5\n", "Beta-en-3", "b_plain.so is not a tool module", "cannot load"})
    EXPECT_NE(r.out.find(seen), std::string::npos) << seen << " in " << r.out;
  const struct { const char *args, *env, *seen; } langs[] = {
      {"--list --lang=ru", "LC_ALL= LANG=C", "Alpha-ru-3"},
      {"--list", "LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8", "Beta-ru-3"}};
  for (const auto& l : langs) EXPECT_NE(host(l.args, l.env).out.find(l.seen), std::string::npos) << l.env << " " << l.args;
  ASSERT_TRUE(r3dtest::WriteTextFile(comma, "x"));
  r = host("--relief /data/good.tif --texture '" + comma + "' --snapshot /tmp/o.png", batch);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(run("cat '" + log_ + "'").out, "render /data/good.tif " + comma + " " + comma + " 638x403\n");
}

// The program ends when its main window closes, or on the Exit command, though a tool window that
// hides on closing is still there. (A host that does not end is stopped by timeout with status 124.)
TEST_F(HostProgram, EndsWhenMainWindowClosesOrOnExitCommand) {
  for (const char* how : {"close", "menu"}) {
    const Outcome r = host("", std::string("FAKE_EXIT=") + how + " timeout 120");
    EXPECT_EQ(r.status, 0) << how << ": " << r.out;
  }
}
