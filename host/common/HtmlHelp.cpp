// The help viewer: help books are zips of HTML pages with a .hhp project, which wx's HTML help
// controller reads as they are.
#include "hostlib/HtmlHelp.h"

#include <map>
#include <string>

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/fs_zip.h>
#include <wx/html/helpctrl.h>
#include <wx/log.h>
#include <wx/sysopt.h>

#include "host/common/HelpAddress.h"
#include "hostlib/Paths.h"

namespace {

HtmlHelpHook g_hook = nullptr;

// One controller per book, so that reopening is instant and the viewer window is reused. They are
// never deleted: wx destroys the help windows itself when it shuts down, and a controller deleted
// after that (by a static destructor) would touch a window that is gone.
std::map<std::string, wxHtmlHelpController*>& controllers() {
  static auto* c = new std::map<std::string, wxHtmlHelpController*>;
  return *c;
}

}  // namespace

bool SplitHelpAddress(const std::string& address, std::string* file, std::string* topic) {
  const std::size_t sep = address.find("::");
  *file = address.substr(0, sep);
  *topic = sep == std::string::npos ? std::string() : address.substr(sep + 2);
  while (!topic->empty() && (topic->front() == '/' || topic->front() == '\\')) topic->erase(0, 1);
  for (char& c : *topic)
    if (c == '\\') c = '/';
  return !file->empty();
}

void SetHtmlHelpHook(HtmlHelpHook hook) { g_hook = hook; }

int HtmlHelpA(void*, const char* address, unsigned command, unsigned long) {
  if (!address) return 0;
  std::string file, topic;
  if (!SplitHelpAddress(address, &file, &topic) || !IsFileExist(file.c_str())) return 0;
  if (g_hook) {
    g_hook(address, command);
    return 1;
  }
  static bool setUp = [] {
    wxFileSystem::AddHandler(new wxZipFSHandler);
    // The desktop's MIME tables (Debian's among them) type .htm as application/xhtml+xml, and wx's
    // HTML window shows anything but text/html as source. wx's own table types pages as text/html.
    wxSystemOptions::SetOption("filesys.no-mimetypesmanager", 1);
    return true;
  }();
  (void)setUp;
  // One project per language ("Eng.hhp" beside the "Eng/" pages), so that the contents show the
  // reader's language only; a book with a single project serves every topic.
  const std::string language = topic.substr(0, topic.find('/'));
  wxHtmlHelpController*& ctl = controllers()[file + "|" + language];
  if (!ctl) {
    // wx recognises a zipped book only by a ".zip" or ".htb" name; ours has its own extension, so
    // point it at the project file inside the archive instead.
    wxLogNull quiet;  // a broken book is reported by our result, not by a log window
    wxFileSystem fs;
    const wxString root = wxFileSystem::FileNameToURL(wxFileName(wxString::FromUTF8(file.c_str()))) + "#zip:";
    wxString project;
    if (!language.empty() && language != topic)
      project = fs.FindFirst(root + wxString::FromUTF8(language.c_str()) + ".hhp", wxFILE);
    if (project.empty()) project = fs.FindFirst(root + "*.hhp", wxFILE);
    if (project.empty()) project = fs.FindFirst(root + "*/*.hhp", wxFILE);
    ctl = new wxHtmlHelpController(wxHF_DEFAULT_STYLE);
    if (project.empty() || !ctl->AddBook(project)) {
      delete ctl;
      controllers().erase(file + "|" + language);
      return 0;
    }
  }
  // A topic is a page of the book ("Eng/Viewer3D.htm"); without one the contents are shown.
  const bool shown = topic.empty() ? ctl->DisplayContents() : ctl->Display(wxString::FromUTF8(topic.c_str()));
  return shown ? 1 : 0;
}
