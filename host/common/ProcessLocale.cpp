#include "hostlib/ProcessLocale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/translation.h>

namespace {

bool is_russian(const char* locale) { return locale && std::strncmp(locale, "ru", 2) == 0; }

}  // namespace

bool SetProcessLanguage(ResourceLanguage language) {
  bool ok = true;
  if (language == ResourceLanguage::Russian) {
    if (!is_russian(std::setlocale(LC_MESSAGES, nullptr))) {
      ok = false;
      // Debian spells the installed name ru_RU.utf8; glibc accepts either spelling.
      for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "ru_UA.UTF-8", "ru_BY.UTF-8", "ru_KZ.UTF-8"})
        if (std::setlocale(LC_ALL, name)) {
          ok = true;
          break;
        }
    }
    // gettext prefers LANGUAGE over the locale: a user's "en" there would keep GTK English.
    if (ok) ::setenv("LANGUAGE", "ru", 1);
  } else if (is_russian(std::setlocale(LC_MESSAGES, nullptr)) || is_russian(std::getenv("LANGUAGE"))) {
    // English asked for under a Russian locale. No catalog is named plain "en", so every gettext
    // lookup falls back to the English source text. Other locales keep their own language.
    ::setenv("LANGUAGE", "en", 1);
  }
  std::setlocale(LC_NUMERIC, "C");
  // wx's own windows (the help viewer's frame and toolbar, generic dialogs) translate through
  // wx's catalog, not GTK's; finding the catalog needs a running wx application.
  if (!wxTheApp) return ok;
  wxTranslations* translations = wxTranslations::Get();
  if (!translations) {
    translations = new wxTranslations;
    wxTranslations::Set(translations);
  }
  translations->SetLanguage(language == ResourceLanguage::Russian ? wxLANGUAGE_RUSSIAN : wxLANGUAGE_ENGLISH);
  translations->AddStdCatalog();
  return ok;
}
